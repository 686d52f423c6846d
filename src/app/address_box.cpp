#include "app/address_box.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <cfloat>
#include <charconv>
#include <cmath>

double ReadLeadingNumber(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  size_t mantissaStart = pos;
  bool digits = false, point = false;
  while (pos < text.size()) {
    char c = text[pos];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
    ++pos;
  }
  if (!digits) return 0;
  size_t end = pos;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    size_t e = pos + 1;
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    size_t expDigits = e;
    while (e < text.size() && text[e] >= '0' && text[e] <= '9') ++e;
    if (e > expDigits) end = e;  // an exponent without digits is not part of the number
  }
  // from_chars takes no leading '+', so the sign is applied by hand.
  std::string_view number = text.substr(mantissaStart, end - mantissaStart);
  double value = 0;
  auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small to hold: a negative exponent means too small.
    value = number.find('-') != std::string_view::npos ? 0.0 : DBL_MAX;
  } else if (result.ec != std::errc()) {
    value = 0;
  }
  return negative ? -value : value;
}

std::string NumberText(double value) {
  if (value == 0 || std::isnan(value)) return "0";  // also drops the sign of -0
  if (std::isinf(value)) value = std::copysign(DBL_MAX, value);
  char buffer[64];
  // Fifteen significant digits: the double's reliable precision, so 0.1 + 0.2 reads "0.3".
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}

std::string ClampedOctetText(std::string_view text) {
  double v = ReadLeadingNumber(text);
  if (v > 255 || v < -0.5) return "0";
  return NumberText(std::nearbyint(v));  // the default rounding mode sends halves to even
}

AddressBox::AddressBox(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textChanged, this, &AddressBox::OnTextChanged);
}

void AddressBox::SetSuccessor(QWidget* next) { successor_ = next; }

void AddressBox::SetEnterMovesFocus(bool enabled) { enterMovesFocus_ = enabled; }

void AddressBox::OnTextChanged(const QString& text) {
  QString canonical = QString::fromStdString(NumberText(ReadLeadingNumber(text.toStdString())));
  if (canonical != text) {
    setText(canonical);  // runs this handler again for the new text
    return;
  }
  setCursorPosition(static_cast<int>(text.size()));
  if (text.size() == 4) {
    setText(text.left(3));
    if (successor_) successor_->setFocus(Qt::TabFocusReason);
  }
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
