// HostMenu.h — the station's menus as the driver sees a host's menus: the
// header's TMenuItem over QMenuBar, QMenu and QAction, and the factory that
// adds an item under a parent.
#ifndef KAVO5000_STATION_HOSTMENU_H
#define KAVO5000_STATION_HOSTMENU_H

#include <memory>
#include <string>
#include <vector>

#include "kavo5000/Kavo5000.h"

class QAction;
class QMenu;
class QMenuBar;

namespace kavo5000::station {

class HostMenuItem final : public kavo5000::TMenuItem {
 public:
  // The root: its children are the menu bar's menus.
  explicit HostMenuItem(QMenuBar& bar);
  ~HostMenuItem();
  HostMenuItem(const HostMenuItem&) = delete;
  HostMenuItem& operator=(const HostMenuItem&) = delete;

  // A menu of the bar (or a submenu), captioned.
  HostMenuItem& AddMenu(const std::string& caption);
  // An item at `index` among this item's children (−1: at the end); this
  // item becomes a menu if it was not one.
  HostMenuItem& AddItem(std::int32_t index);
  QAction* Action() const { return action_; }

  std::int32_t KAVO5000_CALL Count() override;
  TMenuItem* KAVO5000_CALL Items(std::int32_t index) override;
  const char* KAVO5000_CALL Caption() override;
  void KAVO5000_CALL SetCaption(const char* caption) override;
  void KAVO5000_CALL SetHint(const char* hint) override;
  void KAVO5000_CALL SetHelpContext(std::int32_t context) override;
  void KAVO5000_CALL SetShortCut(std::uint16_t shortCut) override;
  void KAVO5000_CALL SetOnClick(kavo5000::NotifyEvent handler) override;

 private:
  HostMenuItem(QAction* action, QMenu* menu);
  QMenu& Menu();

  QMenuBar* bar_ = nullptr;  // the root only
  QAction* action_ = nullptr;
  QMenu* menu_ = nullptr;  // when the item has children
  std::string caption_;
  std::int32_t helpContext_ = 0;
  kavo5000::NotifyEvent onClick_{nullptr, nullptr};
  std::vector<std::unique_ptr<HostMenuItem>> children_;
};

// The factory the station hands to slot 24.
kavo5000::TMenuItem* KAVO5000_CALL MakeMenuItem(kavo5000::TMenuItem* parent, std::int32_t index);

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_HOSTMENU_H
