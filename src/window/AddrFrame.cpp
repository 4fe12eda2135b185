// AddrFrame.cpp — the nozzle address dialog's controls.
#include "AddrFrame.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <limits>

#include "Controls.h"
#include "ParamFrameLayout.h"
#include "ParamGrid.h"

namespace kavo5000::window {

namespace {

// Any number may be typed; the window holds the address it gives in range.
QSpinBox* NumberBox(QWidget* parent, const char* name, const Rect& place) {
  return IntegerBox(parent, name, ToQRect(place), std::numeric_limits<int>::min(),
                    std::numeric_limits<int>::max(), 0);
}

}  // namespace

TAddrFrm::TAddrFrm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AddrFrm"));
  setWindowTitle(QString::fromUtf8(layout::kAddrFormCaption));
  setFixedSize(layout::kAddrFormWidth, layout::kAddrFormHeight);
  if (parent != nullptr) setFont(parent->font());

  Label1 = TextLabel(this, "Label1", {layout::kAddrLabel1.x, layout::kAddrLabel1.y},
                     layout::kAddrLabel1Text);
  NTrkEdit = NumberBox(this, "NTrkEdit", layout::kNTrkEdit);
  Label2 = TextLabel(this, "Label2", {layout::kAddrLabel2.x, layout::kAddrLabel2.y},
                     layout::kAddrLabel2Text);
  NPstEdit = NumberBox(this, "NPstEdit", layout::kNPstEdit);

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Bevel1->setGeometry(ToQRect(layout::kBevel1));

  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                            QString::fromUtf8(layout::kAddrBitBtn1Text), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(ToQRect(layout::kAddrBitBtn1));
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                            QString::fromUtf8(layout::kAddrBitBtn2Text), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(ToQRect(layout::kAddrBitBtn2));
  BitBtn2->setAutoDefault(false);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  // Esc rejects any QDialog; the button does the same.
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

  // The nozzle number takes the focus first, then the dispenser number.
  setTabOrder(NPstEdit, NTrkEdit);
  setTabOrder(NTrkEdit, BitBtn1);
  setTabOrder(BitBtn1, BitBtn2);
  NPstEdit->setFocus();
}

int TAddrFrm::Dispenser() const {
  return NTrkEdit->value();
}

int TAddrFrm::Nozzle() const {
  return NPstEdit->value();
}

void TAddrFrm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
  NPstEdit->setFocus();
}

}  // namespace kavo5000::window
