// Menu.cpp — adding the driver's command under the host's "&ТРК" menu, once
// per module load, and what choosing it does.
#include "Menu.h"

#include <atomic>
#include <cstring>
#include <string>

#include "VM30.h"

namespace kavo5000::driver {

namespace {

constexpr std::int32_t kAppendIndex = -1;  // the host's factory places the item at the end
constexpr std::int32_t kNoHelpContext = 0;
constexpr std::uint16_t kNoShortCut = 0;

// Claimed by the first AddDriverMenu of a module load, before any of the
// host's methods runs: a host that calls back in finds nothing pending.
std::atomic<bool> menuPending{true};
std::atomic<ParamWindowLauncher> windowLauncher{nullptr};
std::atomic<ParamWindowCloser> windowCloser{nullptr};

void KAVO5000_CALL MenuClick(void* /*self*/, TMenuItem* /*sender*/) {
  // Whichever object added the item, the window is for the latest driver.
  ShowParamWindow(CurrentDriver());
}

// The host's "&ТРК" item and the encoding its caption is spelt in.
struct HostMenu {
  TMenuItem* item = nullptr;
  CaptionEncoding encoding = CaptionEncoding::kUtf8;
};

HostMenu FindHostMenu(TMenuItem* hostItem) {
  if (hostItem == nullptr) return {};
  const std::int32_t count = hostItem->Count();
  for (std::int32_t i = 0; i < count; ++i) {
    TMenuItem* child = hostItem->Items(i);
    if (child == nullptr) continue;
    if (const auto encoding = HostMenuEncoding(child->Caption(), kHostsUseCp1251))
      return HostMenu{child, *encoding};
  }
  return {};
}

}  // namespace

std::optional<CaptionEncoding> HostMenuEncoding(const char* caption, bool acceptCp1251) {
  if (caption == nullptr) return std::nullopt;
  if (std::strcmp(caption, kHostMenuCaption) == 0) return CaptionEncoding::kUtf8;
  if (acceptCp1251 && caption == detail::Utf8ToCp1251(kHostMenuCaption))
    return CaptionEncoding::kCp1251;
  return std::nullopt;
}

void SetParamWindowLauncher(ParamWindowLauncher launcher) {
  windowLauncher.store(launcher);
}

void ShowParamWindow(VM30Driver* driver) {
  if (ParamWindowLauncher launcher = windowLauncher.load()) launcher(driver);
}

void SetParamWindowCloser(ParamWindowCloser closer) {
  windowCloser.store(closer);
}

void CloseParamWindowOf(VM30Driver* driver) {
  if (ParamWindowCloser closer = windowCloser.load()) closer(driver);
}

TMenuItem* AddMenuItem(const char* caption, const char* hint, std::int32_t helpContext,
                       TMenuItem* parent, std::int32_t index, NotifyEvent onClick,
                       std::uint16_t shortCut, MenuItemFactory factory) {
  TMenuItem* item = factory(parent, index);
  if (item == nullptr) return nullptr;
  item->SetCaption(caption);
  item->SetHint(hint);
  item->SetHelpContext(helpContext);
  item->SetShortCut(shortCut);
  item->SetOnClick(onClick);
  return item;
}

bool MenuPending() {
  return menuPending.load();
}

void ResetMenuPending() {
  menuPending.store(true);
}

void KAVO5000_CALL VM30Driver::AddDriverMenu(TMenuItem* hostItem, MenuItemFactory factory) {
  // Once per module load, whether or not there was a menu to join; no lock
  // is held while the host's factory and items run.
  if (!menuPending.exchange(false)) return;
  // A module built without the window has no command to offer: an item that
  // opens nothing would only confuse the technician.
  const HostMenu parent = windowLauncher.load() != nullptr ? FindHostMenu(hostItem) : HostMenu{};
  if (parent.item != nullptr && factory != nullptr) {
    // The new item speaks the host's encoding, as its neighbours do.
    const std::string caption = parent.encoding == CaptionEncoding::kCp1251
                                    ? detail::Utf8ToCp1251(kMenuCaption)
                                    : std::string(kMenuCaption);
    AddMenuItem(caption.c_str(), caption.c_str(), kNoHelpContext, parent.item, kAppendIndex,
                NotifyEvent{&MenuClick, this}, kNoShortCut, factory);
  }
}

}  // namespace kavo5000::driver
