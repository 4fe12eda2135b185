// PlainMenu.h — a host menu without a toolkit, as the C interface lends it to
// the driver: a tree of captions and click handlers holding the "&ТРК" menu,
// so that the driver adds its command there and the C host can choose it by
// a call instead of a menu of its own.
#ifndef KAVO5000_C_PLAINMENU_H
#define KAVO5000_C_PLAINMENU_H

#include <memory>
#include <string>
#include <vector>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::c {

class PlainMenuItem final : public TMenuItem {
 public:
  PlainMenuItem() = default;
  PlainMenuItem(const PlainMenuItem&) = delete;
  PlainMenuItem& operator=(const PlainMenuItem&) = delete;

  // A child at `index` (−1 or past the end: appended).
  PlainMenuItem& AddItem(std::int32_t index);
  // The first item below this one, at any depth, that has a click handler.
  PlainMenuItem* FindCommand();
  // Calls the click handler; false when there is none.
  bool Click();

  std::int32_t KAVO5000_CALL Count() override;
  TMenuItem* KAVO5000_CALL Items(std::int32_t index) override;
  const char* KAVO5000_CALL Caption() override;
  void KAVO5000_CALL SetCaption(const char* caption) override;
  void KAVO5000_CALL SetHint(const char* hint) override;
  void KAVO5000_CALL SetHelpContext(std::int32_t context) override;
  void KAVO5000_CALL SetShortCut(std::uint16_t shortCut) override;
  void KAVO5000_CALL SetOnClick(NotifyEvent handler) override;

 private:
  std::string caption_;
  NotifyEvent onClick_{nullptr, nullptr};
  std::vector<std::unique_ptr<PlainMenuItem>> children_;
};

// The factory the C interface hands to the driver's menu slot.
TMenuItem* KAVO5000_CALL MakePlainMenuItem(TMenuItem* parent, std::int32_t index);

}  // namespace kavo5000::c

#endif  // KAVO5000_C_PLAINMENU_H
