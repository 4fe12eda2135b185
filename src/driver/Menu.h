// Menu.h — the driver's command in the host's "&ТРК" menu and the launch of
// the parameter window it opens.
#ifndef KAVO5000_DRIVER_MENU_H
#define KAVO5000_DRIVER_MENU_H

#include <optional>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::driver {

class VM30Driver;

// The menu command's caption, also its hint.
inline constexpr const char* kMenuCaption = "Программирование параметров (Каво 5000)";

// How a host spells its menu captions: UTF-8, or Windows-1251, the text
// encoding of Windows station programs.
enum class CaptionEncoding { kUtf8, kCp1251 };

// Whether hosts of this build may spell "&ТРК" in Windows-1251: on Windows,
// where their menus hold single-byte text; elsewhere captions are UTF-8.
#ifdef _WIN32
inline constexpr bool kHostsUseCp1251 = true;
#else
inline constexpr bool kHostsUseCp1251 = false;
#endif

// The encoding in which `caption` is exactly "&ТРК", or none; Windows-1251 is
// recognised only when `acceptCp1251`.
std::optional<CaptionEncoding> HostMenuEncoding(const char* caption, bool acceptCp1251);

// Opens the parameter window for a driver object; the window layer installs
// it when the module is loaded, if it is built in. Without one AddDriverMenu
// adds no command (and still uses up its one chance per module load).
using ParamWindowLauncher = void (*)(VM30Driver* driver);
void SetParamWindowLauncher(ParamWindowLauncher launcher);

// What the menu command does: the window for the driver GetVM30 made last.
void ShowParamWindow(VM30Driver* driver);

// Closes the parameter window if it works for `driver`, before the driver
// object is freed: the window's modal loop runs the host's messages, and a
// host may delete the driver from one of them. The window layer installs it
// with the launcher.
using ParamWindowCloser = void (*)(VM30Driver* driver);
void SetParamWindowCloser(ParamWindowCloser closer);
void CloseParamWindowOf(VM30Driver* driver);

// Creates the item through the host's factory and sets it up.
TMenuItem* AddMenuItem(const char* caption, const char* hint, std::int32_t helpContext,
                       TMenuItem* parent, std::int32_t index, NotifyEvent onClick,
                       std::uint16_t shortCut, MenuItemFactory factory);

// True until the first AddDriverMenu of this module load has run.
bool MenuPending();
// For tests: as if the module had just been loaded.
void ResetMenuPending();

}  // namespace kavo5000::driver

#endif  // KAVO5000_DRIVER_MENU_H
