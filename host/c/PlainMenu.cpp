// PlainMenu.cpp — the toolkit-free menu tree.
#include "PlainMenu.h"

namespace kavo5000::c {

PlainMenuItem& PlainMenuItem::AddItem(std::int32_t index) {
  auto item = std::make_unique<PlainMenuItem>();
  PlainMenuItem& added = *item;
  const auto size = static_cast<std::int32_t>(children_.size());
  const std::int32_t at = index < 0 || index > size ? size : index;
  children_.insert(children_.begin() + at, std::move(item));
  return added;
}

PlainMenuItem* PlainMenuItem::FindCommand() {
  for (const auto& child : children_) {
    if (child->onClick_.Code != nullptr) return child.get();
    if (PlainMenuItem* below = child->FindCommand()) return below;
  }
  return nullptr;
}

bool PlainMenuItem::Click() {
  if (onClick_.Code == nullptr) return false;
  onClick_.Code(onClick_.Self, this);
  return true;
}

std::int32_t KAVO5000_CALL PlainMenuItem::Count() {
  return static_cast<std::int32_t>(children_.size());
}

TMenuItem* KAVO5000_CALL PlainMenuItem::Items(std::int32_t index) {
  if (index < 0 || index >= Count()) return nullptr;
  return children_[static_cast<std::size_t>(index)].get();
}

const char* KAVO5000_CALL PlainMenuItem::Caption() {
  return caption_.c_str();
}

void KAVO5000_CALL PlainMenuItem::SetCaption(const char* caption) {
  caption_ = caption == nullptr ? "" : caption;
}

// Hints, help contexts and shortcuts have no one to show them to.
void KAVO5000_CALL PlainMenuItem::SetHint(const char* /*hint*/) {}
void KAVO5000_CALL PlainMenuItem::SetHelpContext(std::int32_t /*context*/) {}
void KAVO5000_CALL PlainMenuItem::SetShortCut(std::uint16_t /*shortCut*/) {}

void KAVO5000_CALL PlainMenuItem::SetOnClick(NotifyEvent handler) {
  onClick_ = handler;
}

TMenuItem* KAVO5000_CALL MakePlainMenuItem(TMenuItem* parent, std::int32_t index) {
  // Only the C interface's own items are ever handed to the driver.
  return parent == nullptr ? nullptr : &static_cast<PlainMenuItem*>(parent)->AddItem(index);
}

}  // namespace kavo5000::c
