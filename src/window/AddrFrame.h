// AddrFrame.h — the nozzle address dialog: a dispenser number and a nozzle
// number, from which the parameter window computes the nozzle's address on
// the line. The dialog computes nothing itself and sends nothing.
#ifndef KAVO5000_WINDOW_ADDRFRAME_H
#define KAVO5000_WINDOW_ADDRFRAME_H

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kavo5000::window {

class TAddrFrm : public QDialog {
  Q_OBJECT
 public:
  explicit TAddrFrm(QWidget* parent = nullptr);

  // The numbers typed: the dispenser's and the nozzle's.
  int Dispenser() const;
  int Nozzle() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QLabel* Label1;
  QSpinBox* NTrkEdit;  // dispenser number
  QLabel* Label2;
  QSpinBox* NPstEdit;  // nozzle number
  QFrame* Bevel1;
  QPushButton* BitBtn1;  // "Вычислить": accepts
  QPushButton* BitBtn2;  // "Отмена": rejects
};

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_ADDRFRAME_H
