#pragma once

#include <QLineEdit>
#include <string>
#include <string_view>

#include "core/octet_text.h"

// One of the four peer address boxes (Text1..Text4): it keeps the canonical text of the
// number it reads as, moves the focus on after a fourth character or the main keyboard's
// period key, and clamps the octet when it loses the focus.
class AddressBox : public QLineEdit {
  Q_OBJECT

 public:
  explicit AddressBox(QWidget* parent = nullptr);

  // The widget that takes the focus after this box (the next box, or Command1 after Text4).
  void SetSuccessor(QWidget* next);
  // Whether Enter moves the focus to the successor (Text4 only).
  void SetEnterMovesFocus(bool enabled);

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnTextChanged(const QString& text);

  QWidget* successor_ = nullptr;
  bool enterMovesFocus_ = false;
};
