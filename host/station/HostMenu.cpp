// HostMenu.cpp — TMenuItem over Qt's menus.
#include "HostMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace kavo5000::station {

HostMenuItem::HostMenuItem(QMenuBar& bar) : bar_(&bar) {}

HostMenuItem::HostMenuItem(QAction* action, QMenu* menu) : action_(action), menu_(menu) {
  caption_ = action_->text().toStdString();
  QObject::connect(action_, &QAction::triggered, action_, [this] {
    if (onClick_.Code != nullptr) onClick_.Code(onClick_.Self, this);
  });
}

HostMenuItem::~HostMenuItem() = default;

QMenu& HostMenuItem::Menu() {
  if (menu_ == nullptr) {
    menu_ = new QMenu(QString::fromStdString(caption_), qobject_cast<QWidget*>(action_->parent()));
    action_->setMenu(menu_);
  }
  return *menu_;
}

HostMenuItem& HostMenuItem::AddMenu(const std::string& caption) {
  const QString text = QString::fromStdString(caption);
  QMenu* menu = bar_ != nullptr ? bar_->addMenu(text) : Menu().addMenu(text);
  children_.push_back(std::unique_ptr<HostMenuItem>(new HostMenuItem(menu->menuAction(), menu)));
  return *children_.back();
}

HostMenuItem& HostMenuItem::AddItem(std::int32_t index) {
  QWidget& container = bar_ != nullptr ? static_cast<QWidget&>(*bar_) : Menu();
  auto* action = new QAction(&container);
  const bool append = index < 0 || index >= Count();
  if (append) {
    container.addAction(action);
  } else {
    container.insertAction(children_[static_cast<std::size_t>(index)]->action_, action);
  }
  auto item = std::unique_ptr<HostMenuItem>(new HostMenuItem(action, nullptr));
  const auto at = append ? children_.end() : children_.begin() + index;
  return **children_.insert(at, std::move(item));
}

std::int32_t KAVO5000_CALL HostMenuItem::Count() {
  return static_cast<std::int32_t>(children_.size());
}

kavo5000::TMenuItem* KAVO5000_CALL HostMenuItem::Items(std::int32_t index) {
  if (index < 0 || index >= Count()) return nullptr;
  return children_[static_cast<std::size_t>(index)].get();
}

const char* KAVO5000_CALL HostMenuItem::Caption() {
  return caption_.c_str();
}

void KAVO5000_CALL HostMenuItem::SetCaption(const char* caption) {
  caption_ = caption != nullptr ? caption : "";
  if (action_ != nullptr) action_->setText(QString::fromStdString(caption_));
}

void KAVO5000_CALL HostMenuItem::SetHint(const char* hint) {
  if (action_ == nullptr) return;
  const QString text = QString::fromUtf8(hint != nullptr ? hint : "");
  action_->setStatusTip(text);
  action_->setToolTip(text);
}

void KAVO5000_CALL HostMenuItem::SetHelpContext(std::int32_t context) {
  helpContext_ = context;
}

void KAVO5000_CALL HostMenuItem::SetShortCut(std::uint16_t shortCut) {
  // The driver asks for none; the station keeps its own key bindings.
  if (shortCut == 0 && action_ != nullptr) action_->setShortcut(QKeySequence());
}

void KAVO5000_CALL HostMenuItem::SetOnClick(kavo5000::NotifyEvent handler) {
  onClick_ = handler;
}

kavo5000::TMenuItem* KAVO5000_CALL MakeMenuItem(kavo5000::TMenuItem* parent, std::int32_t index) {
  // Only the station's own items are ever handed to the driver.
  return &static_cast<HostMenuItem*>(parent)->AddItem(index);
}

}  // namespace kavo5000::station
