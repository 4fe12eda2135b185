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

namespace kavo5000::window {

namespace {

constexpr int kClientWidth = 226;
constexpr int kClientHeight = 104;

// Any number may be typed; the window holds the address it gives in range.
QSpinBox* NumberBox(QWidget* parent, const char* name, QRect place) {
  return IntegerBox(parent, name, place, std::numeric_limits<int>::min(),
                    std::numeric_limits<int>::max(), 0);
}

}  // namespace

TAddrFrm::TAddrFrm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AddrFrm"));
  setWindowTitle(QString::fromUtf8("Адрес пистолета"));
  setFixedSize(kClientWidth, kClientHeight);
  if (parent != nullptr) setFont(parent->font());

  Label1 = TextLabel(this, "Label1", {8, 8}, "№ ТРК");
  NTrkEdit = NumberBox(this, "NTrkEdit", {16, 24, 65, 22});
  Label2 = TextLabel(this, "Label2", {103, 8}, "№ пистолета");
  NPstEdit = NumberBox(this, "NPstEdit", {112, 24, 65, 22});

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Bevel1->setGeometry(0, 64, 225, 2);

  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                            QString::fromUtf8("Вычислить"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(48, 72, 83, 25);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                            QString::fromUtf8("Отмена"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setGeometry(136, 72, 83, 25);
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

void TAddrFrm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  if (const QScreen* screen = this->screen())
    move(screen->availableGeometry().center() - rect().center());
  NPstEdit->setFocus();
}

}  // namespace kavo5000::window
