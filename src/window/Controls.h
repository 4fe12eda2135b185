// Controls.h — how the window and the address dialog make their named
// controls: a label sized to its text and a spin box, each with its Qt object
// name and its place in pixels within its parent.
#ifndef KAVO5000_WINDOW_CONTROLS_H
#define KAVO5000_WINDOW_CONTROLS_H

#include <QLabel>
#include <QRect>
#include <QSpinBox>
#include <QString>

namespace kavo5000::window {

inline QSpinBox* IntegerBox(QWidget* parent, const char* name, QRect place, int minimum,
                            int maximum, int value) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setGeometry(place);
  box->setRange(minimum, maximum);
  box->setValue(value);
  return box;
}

inline QLabel* TextLabel(QWidget* parent, const char* name, QPoint place, const char* text) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(place);
  label->adjustSize();
  return label;
}

}  // namespace kavo5000::window

#endif  // KAVO5000_WINDOW_CONTROLS_H
