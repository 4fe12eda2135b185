// Win32MenuItem.cpp — menu items over HMENU, captions in Windows-1251.
#include "Win32MenuItem.h"

#include <map>

namespace kavo5000::sample {

namespace {

constexpr UINT kCodePage1251 = 1251;
constexpr UINT kFirstCommandId = 40001;  // clear of the system's and the dialogs' IDs

std::map<UINT, Win32MenuItem*>& ItemsById() {
  static std::map<UINT, Win32MenuItem*> items;
  return items;
}

UINT NextId() {
  static UINT next = kFirstCommandId;
  return next++;
}

std::wstring FromCp1251(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(kCodePage1251, 0, text.data(), size, wide.data(), size)));
  return wide;
}

}  // namespace

Win32MenuItem::Win32MenuItem(HMENU bar) : submenu_(bar) {}

Win32MenuItem::Win32MenuItem(HMENU parentMenu, UINT id) : parentMenu_(parentMenu), id_(id) {
  ItemsById()[id_] = this;
}

Win32MenuItem::~Win32MenuItem() {
  if (id_ != 0) ItemsById().erase(id_);
}

Win32MenuItem& Win32MenuItem::AddMenu(const std::string& captionCp1251) {
  Win32MenuItem& menu = AddItem(-1);
  menu.MakeSubmenu();
  menu.SetCaption(captionCp1251.c_str());
  return menu;
}

Win32MenuItem& Win32MenuItem::AddItem(std::int32_t index) {
  HMENU menu = MakeSubmenu();
  const std::int32_t count = Count();
  const std::int32_t at = index < 0 || index > count ? count : index;
  auto item = std::unique_ptr<Win32MenuItem>(new Win32MenuItem(menu, NextId()));
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_ID | MIIM_STRING;
  info.wID = item->id_;
  info.dwTypeData = const_cast<wchar_t*>(L"");
  InsertMenuItemW(menu, static_cast<UINT>(at), TRUE, &info);
  children_.insert(children_.begin() + at, std::move(item));
  return *children_[static_cast<std::size_t>(at)];
}

HMENU Win32MenuItem::MakeSubmenu() {
  if (submenu_ != nullptr) return submenu_;
  submenu_ = CreatePopupMenu();
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_SUBMENU;
  info.hSubMenu = submenu_;
  SetMenuItemInfoW(parentMenu_, id_, FALSE, &info);
  return submenu_;
}

TMenuItem* KAVO5000_CALL Win32MenuItem::Factory(TMenuItem* parent, std::int32_t index) {
  // The driver hands back the host's own items.
  return parent == nullptr ? nullptr : &static_cast<Win32MenuItem*>(parent)->AddItem(index);
}

bool Win32MenuItem::Click(UINT id) {
  const auto found = ItemsById().find(id);
  if (found == ItemsById().end()) return false;
  Win32MenuItem& item = *found->second;
  if (item.onClick_.Code != nullptr) item.onClick_.Code(item.onClick_.Self, &item);
  return true;
}

std::int32_t KAVO5000_CALL Win32MenuItem::Count() {
  return static_cast<std::int32_t>(children_.size());
}

TMenuItem* KAVO5000_CALL Win32MenuItem::Items(std::int32_t index) {
  if (index < 0 || index >= Count()) return nullptr;
  return children_[static_cast<std::size_t>(index)].get();
}

const char* KAVO5000_CALL Win32MenuItem::Caption() {
  return caption_.c_str();
}

void KAVO5000_CALL Win32MenuItem::SetCaption(const char* caption) {
  caption_ = caption != nullptr ? caption : "";
  if (parentMenu_ == nullptr) return;
  std::wstring text = FromCp1251(caption_);
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = text.data();
  SetMenuItemInfoW(parentMenu_, id_, FALSE, &info);
}

void KAVO5000_CALL Win32MenuItem::SetHint(const char* hint) {
  hint_ = hint != nullptr ? hint : "";
}

void KAVO5000_CALL Win32MenuItem::SetHelpContext(std::int32_t /*context*/) {}

void KAVO5000_CALL Win32MenuItem::SetShortCut(std::uint16_t /*shortCut*/) {}

void KAVO5000_CALL Win32MenuItem::SetOnClick(kavo5000::NotifyEvent handler) {
  onClick_ = handler;
}

}  // namespace kavo5000::sample
