#include "app/address_box.h"

#include "core/octet_text.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <algorithm>

AddressBox::AddressBox(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textChanged, this, &AddressBox::OnTextChanged);
}

void AddressBox::SetSuccessor(QWidget* next) { successor_ = next; }

void AddressBox::SetEnterMovesFocus(bool enabled) { enterMovesFocus_ = enabled; }

void AddressBox::OnTextChanged(const QString& text) {
  const TypedOctet shown = AfterTyping(text.toStdString());
  const QString shownText = QString::fromStdString(shown.Text);
  if (shownText != text) setText(shownText);  // runs this handler again, which changes nothing
  setCursorPosition(static_cast<int>(shownText.size()));
  if (shown.MovesOn && successor_) successor_->setFocus(Qt::TabFocusReason);
}

void AddressBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  setSelection(0, std::min<int>(3, static_cast<int>(text().size())));
}

void AddressBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Switching to another program or opening a context menu does not leave the box.
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
    return;
  QString clamped = QString::fromStdString(ClampedOctetText(text().toStdString()));
  if (clamped != text()) setText(clamped);
}

void AddressBox::keyPressEvent(QKeyEvent* event) {
  int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    if (enterMovesFocus_ && successor_) successor_->setFocus(Qt::TabFocusReason);
    event->accept();  // Enter presses nothing, wherever the focus went
    return;
  }
  // The main keyboard's period key moves on; the keypad's decimal key does not. The period
  // itself is still typed into this box, where the change handling removes it.
  if (key == Qt::Key_Period && !(event->modifiers() & Qt::KeypadModifier) && successor_)
    successor_->setFocus(Qt::TabFocusReason);
  QLineEdit::keyPressEvent(event);
}
