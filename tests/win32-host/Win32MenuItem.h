// Win32MenuItem.h — a station program's menus as the driver sees a host's
// menus, over a real Win32 HMENU: the header's TMenuItem, whose captions are
// kept in the host's encoding (Windows-1251, as a single-byte station program
// keeps its texts) and shown in the menu as Unicode, and the factory through
// which the driver adds its command. A sample for hosts, and the host of the
// window test: a WM_COMMAND of an item's ID runs its OnClick.
#ifndef KAVO5000_TESTS_WINDOWS_WIN32MENUITEM_H
#define KAVO5000_TESTS_WINDOWS_WIN32MENUITEM_H

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::sample {

class Win32MenuItem final : public kavo5000::TMenuItem {
 public:
  // The root over a menu bar: its children are the bar's menus.
  explicit Win32MenuItem(HMENU bar);
  ~Win32MenuItem();
  Win32MenuItem(const Win32MenuItem&) = delete;
  Win32MenuItem& operator=(const Win32MenuItem&) = delete;

  // A menu at the end of this one, captioned in Windows-1251.
  Win32MenuItem& AddMenu(const std::string& captionCp1251);
  // An item at `index` among this item's children (−1: at the end); this
  // item becomes a menu if it was not one.
  Win32MenuItem& AddItem(std::int32_t index);
  // The factory handed to AddDriverMenu.
  static TMenuItem* KAVO5000_CALL Factory(TMenuItem* parent, std::int32_t index);
  // What the host's window does with WM_COMMAND: runs the OnClick of the item
  // with that ID; false for an ID of no item.
  static bool Click(UINT id);

  UINT Id() const { return id_; }
  HMENU Submenu() const { return submenu_; }
  const std::string& Hint() const { return hint_; }

  std::int32_t KAVO5000_CALL Count() override;
  TMenuItem* KAVO5000_CALL Items(std::int32_t index) override;
  const char* KAVO5000_CALL Caption() override;
  void KAVO5000_CALL SetCaption(const char* caption) override;
  void KAVO5000_CALL SetHint(const char* hint) override;
  void KAVO5000_CALL SetHelpContext(std::int32_t context) override;
  void KAVO5000_CALL SetShortCut(std::uint16_t shortCut) override;
  void KAVO5000_CALL SetOnClick(kavo5000::NotifyEvent handler) override;

 private:
  Win32MenuItem(HMENU parentMenu, UINT id);
  HMENU MakeSubmenu();

  HMENU parentMenu_ = nullptr;  // the menu this item is an entry of; none for the root
  HMENU submenu_ = nullptr;     // the menu of this item's children
  UINT id_ = 0;
  std::string caption_;  // Windows-1251
  std::string hint_;
  kavo5000::NotifyEvent onClick_{nullptr, nullptr};
  std::vector<std::unique_ptr<Win32MenuItem>> children_;
};

}  // namespace kavo5000::sample

#endif  // KAVO5000_TESTS_WINDOWS_WIN32MENUITEM_H
