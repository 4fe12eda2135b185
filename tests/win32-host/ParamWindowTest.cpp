// ParamWindowTest.cpp — the Win32 parameter window inside Kavo5000.dll as a
// station program meets it: the module loaded with LoadLibrary, its command
// added to the host's "&ТРК" menu (a real HMENU, captions in Windows-1251)
// through slot 24, chosen by WM_COMMAND, and the dialog worked by messages
// from a second thread while the host's thread runs it, against the build
// machine's simulator over TCP. Pictures of each tab and of the address
// dialog go to $KAVO5000_SCREENSHOT_DIR when it is set.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "GuiDriver.h"
#include "LineHostPort.h"
#include "ParamFrameIds.h"
#include "ParameterUnit.h"
#include "Win32MenuItem.h"
#include "kavo5000/Kavo5000.h"

namespace {

using namespace kavo5000::window::ids;  // NOLINT(google-build-using-namespace)
using kavo5000::catalogue::CTRKParameters;
namespace gui = kavo5000::gui;

using Factory = kavo5000::TVM30*(KAVO5000_CALL*)(std::uint32_t, std::uintptr_t,
                                                 kavo5000::HostPort*);
constexpr kavo5000::Byte kChannel = 1;
constexpr const char* kFormCaption = "Программирование параметров ТРК";
constexpr const char* kMenuCaption = "Программирование параметров (Каво 5000)";
constexpr const char* kWriteDone = "Операция записи проведена.";
constexpr const char* kWriteFailed = "Ошибка при проведении операции записи.";
constexpr const char* kOutsideLimits = "Значение вне пределов параметра: запись не проводилась.";
constexpr int kCodeColumn = 0;
constexpr int kNameColumn = 1;
constexpr int kNarrowName = 150;   // pixels: the longer names need more lines
constexpr int kFarTooWide = 5000;  // pixels: wider than any screen
constexpr int kReadColumn = 3;
constexpr int kWriteColumn = 4;
constexpr int kParametersTab = kavo5000::catalogue::pgParameters;
constexpr int kSilentAddress = 20;  // the simulator's controllers answer at 1..8
constexpr int kVersionCode = 19;    // nozzle 1's software version: 107 in the simulator
constexpr int kTenthsCode = 7;      // a parameter in tenths, 0..9,9
// How long a confirmation that must not come is looked for.
constexpr std::chrono::milliseconds kNoConfirmation{300};
// The close waits for the exchange in hand: a silent controller's timeouts,
// well within this.
constexpr std::chrono::seconds kCloseWithin{5};
// Long enough for an answer the reader had on its way to come round.
constexpr std::chrono::milliseconds kLateAnswers{500};
constexpr int kMenuTextRoom = 128;
constexpr int kHostWidth = 640;
constexpr int kHostHeight = 480;

const char* ModulePath() {
  const char* named = std::getenv("KAVO5000_MODULE");
  return named != nullptr && *named != '\0' ? named : KAVO5000_MODULE_PATH;
}

std::string SimulatorPort() {
  const char* file = std::getenv("KAVO5000_SIM_PORT_FILE");
  if (file == nullptr) return {};
  std::ifstream in(file);
  std::string port;
  std::getline(in, port);
  return port;
}

// The station's own message on which it deletes its driver.
constexpr UINT kDeleteDriverMessage = WM_APP + 1;
void DeleteTheDriver();

LRESULT CALLBACK HostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kDeleteDriverMessage) {
    DeleteTheDriver();
    return 0;
  }
  if (message == WM_COMMAND && HIWORD(wParam) == 0 &&
      kavo5000::sample::Win32MenuItem::Click(LOWORD(wParam))) {
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The station: its main window with a menu bar ("&Файл", "&ТРК"), its port
// with channel 1 on the simulator, and the driver GetVM30 made for it, whose
// slot 24 added the window's command. Made once: slot 24 adds its command
// once per module load.
struct Station {
  Station() {
    module = LoadLibraryA(ModulePath());
    if (module == nullptr) return;
    getVM30 = reinterpret_cast<Factory>(reinterpret_cast<void*>(GetProcAddress(module, "GetVM30")));
    WNDCLASSW wc{};
    wc.lpfnWndProc = &HostProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Kavo5000TestStation";
    RegisterClassW(&wc);
    host = CreateWindowExW(0, wc.lpszClassName, L"АЗС", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                           kHostWidth, kHostHeight, nullptr, nullptr, wc.hInstance, nullptr);
    menus.AddMenu(kavo5000::detail::Utf8ToCp1251("&Файл"));
    trk = &menus.AddMenu(kavo5000::detail::Utf8ToCp1251("&ТРК"));
    SetMenu(host, bar);
    port.Bind(kChannel, SimulatorPort());
    driver.reset(getVM30(0, reinterpret_cast<std::uintptr_t>(host), &port));
    opened = driver->OpenChannel(kChannel) == 0;
    driver->AddDriverMenu(&menus, &kavo5000::sample::Win32MenuItem::Factory);
  }
  // The item slot 24 added under "&ТРК", if any.
  kavo5000::sample::Win32MenuItem* Command() const {
    return trk->Count() == 0 ? nullptr
                             : static_cast<kavo5000::sample::Win32MenuItem*>(trk->Items(0));
  }

  HMODULE module = nullptr;
  Factory getVM30 = nullptr;
  HMENU bar = CreateMenu();
  kavo5000::sample::Win32MenuItem menus{bar};
  kavo5000::sample::Win32MenuItem* trk = nullptr;
  HWND host = nullptr;
  kavo5000::host::LineHostPort port;
  std::unique_ptr<kavo5000::TVM30> driver;
  bool opened = false;
};

Station& TheStation() {
  static Station station;
  return station;
}

void DeleteTheDriver() {
  TheStation().driver.reset();
}

// Chooses the command on this thread, the host's, which then runs the
// dialog's modal loop, while `technician` works the dialog from a second
// thread; returns once the dialog has closed and the technician is done.
void WithWindow(const std::function<void(HWND dialog)>& technician) {
  Station& station = TheStation();
  ASSERT_NE(station.Command(), nullptr) << "no command under &ТРК";
  std::atomic<bool> finished{false};
  const DWORD hostThread = GetCurrentThreadId();
  std::thread worker([&] {
    HWND dialog = gui::WaitForDialog(kFormCaption);
    if (dialog == nullptr) {
      ADD_FAILURE() << "the window did not open";
    } else {
      technician(dialog);
      if (IsWindow(dialog) != FALSE) {
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        EXPECT_TRUE(gui::WaitFor([&] { return IsWindow(dialog) == FALSE; }));
      }
    }
    finished = true;
    PostThreadMessageW(hostThread, WM_NULL, 0, 0);
  });
  PostMessageW(station.host, WM_COMMAND, MAKEWPARAM(station.Command()->Id(), 0), 0);
  while (!finished) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  worker.join();
}

HWND Item(HWND dialog, int id) {
  return GetDlgItem(dialog, id);
}

constexpr int kTextRoom = 1024;  // more than any cell or status text holds

std::string CellText(HWND grid, int row, int column) {
  std::wstring text(kTextRoom, L'\0');
  GridCellText into{text.data(), kTextRoom};
  const auto length =
      SendMessageW(grid, GM_GETCELLTEXT, static_cast<WPARAM>(MAKEWPARAM(column, row)),
                   reinterpret_cast<LPARAM>(&into));
  text.resize(std::min<std::size_t>(static_cast<std::size_t>(length), kTextRoom - 1));
  return gui::Utf8(text);
}

// SB_GETTEXTW takes no size: the buffer is large enough for any text the
// window shows, and the length it reports is checked against it.
std::string StatusText(HWND dialog) {
  std::wstring text(kTextRoom, L'\0');
  const auto length = static_cast<std::size_t>(LOWORD(SendMessageW(
      Item(dialog, IDC_StatusBar1), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()))));
  EXPECT_LT(length, static_cast<std::size_t>(kTextRoom));
  text.resize(std::min<std::size_t>(length, kTextRoom - 1));
  return gui::Utf8(text);
}

CTRKParameters& Catalogue() {
  static CTRKParameters params;
  if (params.Count() == 0) params.Fill();
  return params;
}

// The grid row of the catalogue row with `code` on `tab`.
int GridRow(int tab, int code) {
  for (int i = 0; i < Catalogue().Count(); ++i) {
    if (Catalogue().Item(i).Group == tab && Catalogue().Item(i).Code == code) return i + 1;
  }
  return 0;
}

void ChooseTab(HWND dialog, int tab) {
  HWND tabs = Item(dialog, IDC_TabControl1);
  RECT r{};
  SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&r));
  gui::Click(tabs, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  EXPECT_TRUE(gui::WaitFor([&] { return SendMessageW(tabs, TCM_GETCURSEL, 0, 0) == tab; }));
}

bool RowsOfTabShown(HWND grid, int tab) {
  if (SendMessageW(grid, GM_GETROWCOUNT, 0, 0) != Catalogue().Count()) return false;
  for (int i = 0; i < Catalogue().Count(); ++i) {
    const auto height = static_cast<int>(SendMessageW(grid, GM_GETROWHEIGHT, i + 1, 0));
    const bool ofTab = Catalogue().Item(i).Group == tab;
    if (ofTab != (height > 0)) return false;
  }
  return true;
}

// Sets the nozzle address the window's exchanges go to.
void UseAddress(HWND dialog, int address) {
  gui::SetText(Item(dialog, IDC_AddrEdit), std::to_string(address));
}

// Makes the "Запись" cell of `row` current and waits for its number box.
HWND OpenValueBox(HWND dialog, int row) {
  HWND grid = Item(dialog, IDC_RxDGCommon);
  HWND box = Item(dialog, IDC_WriteValueEdit);
  EXPECT_TRUE(SendMessageW(grid, GM_SETCURRENT, static_cast<WPARAM>(row), kWriteColumn));
  EXPECT_TRUE(gui::WaitFor([&] { return gui::Visible(box) && gui::FocusOf(dialog) == box; }));
  return box;
}

double BoxValue(HWND box) {
  std::string text = gui::Text(box);
  for (char& c : text) c = c == ',' ? '.' : c;
  return std::strtod(text.c_str(), nullptr);
}

void Picture(HWND window, const char* name) {
  const char* dir = std::getenv("KAVO5000_SCREENSHOT_DIR");
  if (dir == nullptr || *dir == '\0') return;
  CreateDirectoryW(gui::Wide(dir).c_str(), nullptr);
  EXPECT_TRUE(gui::Picture(window, gui::Wide(std::string(dir) + "/" + name + ".bmp"))) << name;
}

// The parameter as the controller at address 1 holds it, read past the window.
std::int32_t ControllerValue(int code) {
  try {
    return TheStation().driver->GetParam(kChannel, 1, kavo5000::HostParamNumber(1, code));
  } catch (const kavo5000::Exception& e) {
    ADD_FAILURE() << "GetParam " << code << ": " << e.what();
    return -1;
  }
}

TEST(ParamWindow, TheCommandJoinsTheHostsTrkMenuInItsEncoding) {
  Station& station = TheStation();
  ASSERT_NE(station.module, nullptr) << "LoadLibrary(" << ModulePath() << ")";
  ASSERT_FALSE(SimulatorPort().empty()) << "no served simulator: KAVO5000_SIM_PORT_FILE";
  ASSERT_TRUE(station.opened) << station.port.ErrorText(kChannel);
  ASSERT_EQ(station.trk->Count(), 1);
  const std::string cp1251 = kavo5000::detail::Utf8ToCp1251(kMenuCaption);
  EXPECT_EQ(station.Command()->Caption(), cp1251);
  EXPECT_EQ(station.Command()->Hint(), cp1251);
  wchar_t shown[kMenuTextRoom] = {};
  GetMenuStringW(station.trk->Submenu(), station.Command()->Id(), shown, kMenuTextRoom,
                 MF_BYCOMMAND);
  EXPECT_EQ(gui::Utf8(shown), kMenuCaption);
}

TEST(ParamWindow, EachTabShowsExactlyItsGroupsRowsAfterAllAreRead) {
  WithWindow([](HWND dialog) {
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), TheStation().host);
    EXPECT_FALSE(IsWindowEnabled(TheStation().host)) << "the host is not held while modal";
    UseAddress(dialog, 1);
    HWND progress = Item(dialog, IDC_ReadProgress);
    gui::Press(dialog, IDC_Button1);
    EXPECT_TRUE(gui::WaitFor([&] { return gui::Visible(progress); }));
    EXPECT_TRUE(gui::WaitFor([&] { return !gui::Visible(progress); })) << "the reader never ended";
    const std::string rows = std::to_string(Catalogue().Count());
    EXPECT_EQ(gui::Text(progress), "Прочитано " + rows + " из " + rows);
    HWND grid = Item(dialog, IDC_RxDGCommon);
    const char* names[] = {"win32-window-common", "win32-window-address",
                           "win32-window-parameters"};
    for (const int tab : {2, 0, 1}) {
      ChooseTab(dialog, tab);
      EXPECT_TRUE(gui::WaitFor([&] { return RowsOfTabShown(grid, tab); })) << "tab " << tab;
      Picture(dialog, names[tab]);
    }
    EXPECT_EQ(CellText(grid, GridRow(kParametersTab, kVersionCode), kReadColumn), "107");

    // The keyboard never lands on another tab's row: above the first
    // parameter lie only hidden rows.
    const int first = GridRow(kParametersTab, 0);
    ChooseTab(dialog, kParametersTab);
    ASSERT_TRUE(SendMessageW(grid, GM_SETCURRENT, static_cast<WPARAM>(first), kCodeColumn));
    EXPECT_FALSE(SendMessageW(grid, GM_SETCURRENT, static_cast<WPARAM>(first - 1), kCodeColumn));
    gui::Key(grid, VK_UP);
    gui::Key(grid, VK_DOWN);
    EXPECT_TRUE(
        gui::WaitFor([&] { return HIWORD(SendMessageW(grid, GM_GETCURRENT, 0, 0)) == first + 1; }));

    // A narrower name column wraps the names into more lines: its rows grow.
    const auto before = SendMessageW(grid, GM_GETROWHEIGHT, static_cast<WPARAM>(first), 0);
    HDITEMW narrow{};
    narrow.mask = HDI_WIDTH;
    narrow.cxy = kNarrowName;
    SendMessageW(FindWindowExW(grid, nullptr, WC_HEADERW, nullptr), HDM_SETITEMW, kNameColumn,
                 reinterpret_cast<LPARAM>(&narrow));
    EXPECT_GT(SendMessageW(grid, GM_GETROWHEIGHT, static_cast<WPARAM>(first), 0), before);
    // Dragged far wider than the grid, it is held so that "Запись" stays in
    // view, where the editor can go over it.
    narrow.cxy = kFarTooWide;
    SendMessageW(FindWindowExW(grid, nullptr, WC_HEADERW, nullptr), HDM_SETITEMW, kNameColumn,
                 reinterpret_cast<LPARAM>(&narrow));
    RECT write{};
    ASSERT_TRUE(SendMessageW(grid, GM_GETCELLRECT, MAKEWPARAM(kWriteColumn, first),
                             reinterpret_cast<LPARAM>(&write)));
    RECT client{};
    GetClientRect(grid, &client);
    EXPECT_LE(write.right, client.right);
    EXPECT_GT(write.right, write.left);

    gui::Key(Item(dialog, IDC_ComPortEdit), 'X', true);  // Alt+X closes
    EXPECT_TRUE(gui::WaitFor([&] { return IsWindow(dialog) == FALSE; })) << "Alt+X";
  });
  EXPECT_TRUE(IsWindowEnabled(TheStation().host));
}

TEST(ParamWindow, ADoubleClickReadsARowFromTheController) {
  WithWindow([](HWND dialog) {
    UseAddress(dialog, 1);
    ChooseTab(dialog, kParametersTab);
    HWND grid = Item(dialog, IDC_RxDGCommon);
    const int row = GridRow(kParametersTab, kVersionCode);
    ASSERT_TRUE(SendMessageW(grid, GM_SETCURRENT, static_cast<WPARAM>(row), kCodeColumn));
    EXPECT_EQ(CellText(grid, row, kCodeColumn), std::to_string(kVersionCode));
    RECT cell{};
    ASSERT_TRUE(SendMessageW(grid, GM_GETCELLRECT, MAKEWPARAM(kReadColumn, row),
                             reinterpret_cast<LPARAM>(&cell)));
    gui::DoubleClick(grid, POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
    EXPECT_TRUE(gui::WaitFor([&] { return CellText(grid, row, kReadColumn) == "107"; }))
        << CellText(grid, row, kReadColumn);
    gui::Press(dialog, IDC_BitBtn1);  // "Закрыть (Esc)"
    EXPECT_TRUE(gui::WaitFor([&] { return IsWindow(dialog) == FALSE; }));
  });
}

// The address box holding 1 is typed "65", outside the line's 1..64: the
// next read goes where the box shows, and the box shows 1 again.
TEST(ParamWindow, AnAddressOffTheLineIsPutBackAndTheReadGoesWhereTheBoxShows) {
  WithWindow([](HWND dialog) {
    UseAddress(dialog, 1);
    ChooseTab(dialog, kParametersTab);
    HWND grid = Item(dialog, IDC_RxDGCommon);
    HWND address = Item(dialog, IDC_AddrEdit);
    // double-clicks the "Чтение" cell of the row with `code`; its text once read
    const auto read = [&](int code) {
      const int row = GridRow(kParametersTab, code);
      EXPECT_TRUE(SendMessageW(grid, GM_SETCURRENT, static_cast<WPARAM>(row), kCodeColumn));
      RECT cell{};
      EXPECT_TRUE(SendMessageW(grid, GM_GETCELLRECT, MAKEWPARAM(kReadColumn, row),
                               reinterpret_cast<LPARAM>(&cell)));
      gui::DoubleClick(grid, POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
      EXPECT_TRUE(gui::WaitFor([&] { return !CellText(grid, row, kReadColumn).empty(); }));
      return CellText(grid, row, kReadColumn);
    };
    EXPECT_EQ(read(kVersionCode), "107");
    gui::SetText(address, "65");
    const std::string tenths = read(kTenthsCode);
    EXPECT_EQ(gui::Text(address), "1") << "the box shows the address the read went to";
    EXPECT_NE(tenths, "Ошибка чтения!") << "the read went to no controller";
    Picture(dialog, "win32-window-address-restored");
  });
}

// A shown tooltip of this program, if any.
BOOL CALLBACK FindShownTip(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  if (process == GetCurrentProcessId() && std::wstring(name) == TOOLTIPS_CLASSW &&
      IsWindowVisible(window) != FALSE) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

HWND ShownTip() {
  HWND tip = nullptr;
  EnumWindows(&FindShownTip, reinterpret_cast<LPARAM>(&tip));
  return tip;
}

// The hint over a "Чтение" cell shows at once and keeps to the pointer as
// it moves; over a cell without one it goes.
TEST(ParamWindow, TheHintShowsAtOnceAndFollowsThePointer) {
  WithWindow([](HWND dialog) {
    ChooseTab(dialog, kParametersTab);
    HWND grid = Item(dialog, IDC_RxDGCommon);
    const int row = GridRow(kParametersTab, kVersionCode);
    ASSERT_TRUE(SendMessageW(grid, GM_SETCURRENT, static_cast<WPARAM>(row), kCodeColumn));
    RECT cell{};
    ASSERT_TRUE(SendMessageW(grid, GM_GETCELLRECT, MAKEWPARAM(kReadColumn, row),
                             reinterpret_cast<LPARAM>(&cell)));
    const int middle = (cell.top + cell.bottom) / 2;
    // The pointer itself goes there too: Wine tells the grid the pointer
    // left (and the hint goes) when the real one is elsewhere.
    const auto pointAt = [grid](int x, int y) {
      POINT screen{x, y};
      ClientToScreen(grid, &screen);
      SetCursorPos(screen.x, screen.y);
      PostMessageW(grid, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    };
    pointAt(cell.left + 2, middle);
    ASSERT_TRUE(gui::WaitFor([] { return ShownTip() != nullptr; })) << "no hint";
    RECT first{};
    GetWindowRect(ShownTip(), &first);
    constexpr int kStep = 10;
    pointAt(cell.left + 2 + kStep, middle);
    EXPECT_TRUE(gui::WaitFor([&] {
      RECT now{};
      HWND tip = ShownTip();
      return tip != nullptr && GetWindowRect(tip, &now) != FALSE && now.left == first.left + kStep;
    })) << "the hint stayed where it was";
    pointAt(2, middle);  // the "Код" cell has no hint
    EXPECT_TRUE(gui::WaitFor([] { return ShownTip() == nullptr; }));
  });
}

BOOL CALLBACK FindQuestion(HWND child, LPARAM found) {
  if (gui::Text(child) == "Вы действительно хотите записать параметр")
    *reinterpret_cast<bool*>(found) = true;
  return TRUE;
}

// The confirmation's question and buttons; answers it with `button`.
void Confirm(int button) {
  HWND box = gui::WaitForDialog("Подтверждение записи");
  ASSERT_NE(box, nullptr) << "no confirmation";
  bool asked = false;
  EnumChildWindows(box, &FindQuestion, reinterpret_cast<LPARAM>(&asked));
  EXPECT_TRUE(asked);
  EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
  EXPECT_NE(GetDlgItem(box, IDCANCEL), nullptr);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  EXPECT_TRUE(gui::WaitFor([&] { return IsWindow(box) == FALSE; }));
}

TEST(ParamWindow, EnterAndOkWriteWhatTheBoxShowsAndTheControllerKeepsIt) {
  WithWindow([](HWND dialog) {
    UseAddress(dialog, 1);
    ChooseTab(dialog, kParametersTab);
    const std::int32_t before = ControllerValue(kTenthsCode);
    HWND box = OpenValueBox(dialog, GridRow(kParametersTab, kTenthsCode));
    EXPECT_DOUBLE_EQ(BoxValue(box), 0.0) << "the box starts at the minimum";
    for (int press = 0; press < 3; ++press) gui::Key(box, VK_UP);
    EXPECT_TRUE(gui::WaitFor([&] { return BoxValue(box) == 0.3; })) << gui::Text(box);
    gui::SetText(box, before == 45 ? "4.4" : "4.5");
    const std::int32_t wanted = before == 45 ? 44 : 45;

    gui::Key(box, VK_RETURN);
    Confirm(IDCANCEL);
    EXPECT_EQ(StatusText(dialog), "");
    EXPECT_EQ(ControllerValue(kTenthsCode), before) << "Cancel wrote";

    gui::Key(box, VK_RETURN);
    Confirm(IDOK);
    EXPECT_TRUE(gui::WaitFor([&] { return StatusText(dialog) == kWriteDone; }))
        << StatusText(dialog);
    EXPECT_EQ(ControllerValue(kTenthsCode), wanted);

    gui::SetText(box, "10");  // beyond 9,9: nothing is offered for writing
    gui::Key(box, VK_RETURN);
    EXPECT_TRUE(gui::WaitFor([&] { return StatusText(dialog) == kOutsideLimits; }));
    EXPECT_FALSE(gui::WaitForDialog("Подтверждение записи", kNoConfirmation));
    EXPECT_EQ(ControllerValue(kTenthsCode), wanted);
    gui::Key(box, VK_ESCAPE);
  });
}

TEST(ParamWindow, ASilentControllerFailsTheWriteInTheStatusLine) {
  WithWindow([](HWND dialog) {
    UseAddress(dialog, kSilentAddress);
    ChooseTab(dialog, kParametersTab);
    HWND box = OpenValueBox(dialog, GridRow(kParametersTab, kTenthsCode));
    gui::SetText(box, "1.0");
    gui::Key(box, VK_RETURN);
    Confirm(IDOK);
    EXPECT_TRUE(gui::WaitFor([&] { return StatusText(dialog) == kWriteFailed; }))
        << StatusText(dialog);
    Picture(dialog, "win32-window-write-failed");
    UseAddress(dialog, 1);
  });
}

TEST(ParamWindow, TheAddressDialogGivesAddress5ForDispenser2Nozzle1) {
  WithWindow([](HWND dialog) {
    UseAddress(dialog, 1);
    gui::Press(dialog, IDC_AddrBtn);
    HWND addr = gui::WaitForDialog("Адрес пистолета");
    ASSERT_NE(addr, nullptr);
    EXPECT_EQ(GetWindow(addr, GW_OWNER), dialog);
    EXPECT_EQ(gui::FocusOf(addr), Item(addr, IDC_NPstEdit)) << "the nozzle number first";
    gui::SetText(Item(addr, IDC_NTrkEdit), "2");
    gui::SetText(Item(addr, IDC_NPstEdit), "1");
    Picture(addr, "win32-address-dialog");
    gui::Key(Item(addr, IDC_NPstEdit), VK_RETURN);  // "Вычислить" is the default
    EXPECT_TRUE(gui::WaitFor([&] { return IsWindow(addr) == FALSE; }));
    EXPECT_EQ(gui::Text(Item(dialog, IDC_AddrEdit)), "5");

    gui::Press(dialog, IDC_AddrBtn);
    addr = gui::WaitForDialog("Адрес пистолета");
    ASSERT_NE(addr, nullptr);
    gui::SetText(Item(addr, IDC_NTrkEdit), "3");
    gui::Key(Item(addr, IDC_NPstEdit), VK_ESCAPE);  // cancels
    EXPECT_TRUE(gui::WaitFor([&] { return IsWindow(addr) == FALSE; }));
    EXPECT_EQ(gui::Text(Item(dialog, IDC_AddrEdit)), "5");
    UseAddress(dialog, 1);
  });
}

TEST(ParamWindow, EscWhileTheReaderRunsClosesAndTheWindowOpensAgain) {
  WithWindow([](HWND dialog) {
    // Every row waits out a silent controller: the reader is still at it.
    UseAddress(dialog, kSilentAddress);
    HWND progress = Item(dialog, IDC_ReadProgress);
    gui::Press(dialog, IDC_Button1);
    ASSERT_TRUE(gui::WaitFor([&] { return gui::Visible(progress); }));
    const auto pressed = std::chrono::steady_clock::now();
    gui::Key(Item(dialog, IDC_ComPortEdit), VK_ESCAPE);
    EXPECT_TRUE(gui::WaitFor([&] { return IsWindow(dialog) == FALSE; }));
    EXPECT_LT(std::chrono::steady_clock::now() - pressed, kCloseWithin)
        << "the close waited for more than the exchange in hand";
    // The reader's last answer, if any, must find nothing to touch.
    std::this_thread::sleep_for(kLateAnswers);
  });
  WithWindow([](HWND dialog) {
    EXPECT_FALSE(gui::Visible(Item(dialog, IDC_ReadProgress)));
    EXPECT_EQ(SendMessageW(Item(dialog, IDC_RxDGCommon), GM_GETROWCOUNT, 0, 0),
              Catalogue().Count());
    UseAddress(dialog, 1);
  });
}

// Last, as it takes the station's driver away: the host deletes its driver
// on one of its own messages, which the window's modal loop runs, and the
// window closes before the object is freed. A new driver's window opens as
// before.
TEST(ParamWindow, DeletingTheDriverOnTheHostsMessageClosesTheWindow) {
  Station& station = TheStation();
  WithWindow([&](HWND dialog) {
    ASSERT_TRUE(gui::WaitFor([&] { return gui::Visible(dialog); }));
    PostMessageW(station.host, kDeleteDriverMessage, 0, 0);
    EXPECT_TRUE(gui::WaitFor([&] { return IsWindow(dialog) == FALSE; })) << "the window stayed up";
  });
  EXPECT_EQ(station.driver, nullptr);
  station.driver.reset(
      station.getVM30(0, reinterpret_cast<std::uintptr_t>(station.host), &station.port));
  ASSERT_EQ(station.driver->OpenChannel(kChannel), 0);
  WithWindow([](HWND dialog) {
    UseAddress(dialog, 1);
    EXPECT_TRUE(IsWindowEnabled(Item(dialog, IDC_AddrBtn))) << "no driver behind the window";
  });
}

}  // namespace
