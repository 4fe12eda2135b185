// The parameter window's controls as a host or a test finds them: by their
// object names, which are the controls' names.
#ifndef KAVO5000_TESTS_WINDOW_FORMCONTROLS_H
#define KAVO5000_TESTS_WINDOW_FORMCONTROLS_H

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

#include "ParamGrid.h"

namespace kavo5000::window {

template <class T>
T* Control(const QObject& window, const char* name) {
  T* control = window.findChild<T*>(QString::fromLatin1(name));
  if (control == nullptr) ADD_FAILURE() << "no control named " << name;
  return control;
}

struct FormControls {
  explicit FormControls(const QObject& form)
      : tabArea(Control<QWidget>(form, "TabControl1")),
        tabs(Control<QTabBar>(form, "TabControl1Tabs")),
        grid(Control<TOpenedRXDrawGrid>(form, "RxDGCommon")),
        edit(Control<QDoubleSpinBox>(form, "WriteValueEdit")),
        edit2(Control<QDoubleSpinBox>(form, "WriteValueEdit2")),
        list(Control<QComboBox>(form, "WriteValueCB")),
        comPort(Control<QSpinBox>(form, "ComPortEdit")),
        address(Control<QSpinBox>(form, "AddrEdit")),
        idNumber(Control<QSpinBox>(form, "edIDNumber")),
        addrBtn(Control<QToolButton>(form, "AddrBtn")),
        button1(Control<QPushButton>(form, "Button1")),
        close(Control<QPushButton>(form, "BitBtn1")),
        status(Control<QStatusBar>(form, "StatusBar1")),
        progress(Control<QProgressBar>(form, "ReadProgress")),
        timer1(Control<QTimer>(form, "Timer1")),
        timer2(Control<QTimer>(form, "Timer2")) {}

  QWidget* tabArea;
  QTabBar* tabs;
  TOpenedRXDrawGrid* grid;
  QDoubleSpinBox* edit;
  QDoubleSpinBox* edit2;
  QComboBox* list;
  QSpinBox* comPort;
  QSpinBox* address;
  QSpinBox* idNumber;
  QToolButton* addrBtn;
  QPushButton* button1;
  QPushButton* close;
  QStatusBar* status;
  QProgressBar* progress;
  QTimer* timer1;
  QTimer* timer2;
};

}  // namespace kavo5000::window

#endif  // KAVO5000_TESTS_WINDOW_FORMCONTROLS_H
