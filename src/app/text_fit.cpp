#include "app/text_fit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <climits>

namespace {

// QLineEdit keeps this many pixels free on each side of its text area.
constexpr int kLineEditMargin = 2;

QSize ButtonRoom(const QPushButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  if (button->autoDefault()) option.features |= QStyleOptionButton::AutoDefaultButton;
  return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).size();
}

QSize LineEditRoom(const QLineEdit* edit) {
  QStyleOptionFrame option;
  option.initFrom(edit);
  option.rect = edit->rect();
  option.lineWidth = edit->hasFrame()
                         ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                         : 0;
  const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit) -
                         edit->textMargins();
  return {contents.width() - 2 * kLineEditMargin, contents.height()};
}

}  // namespace

bool TextFits(const QWidget* control, const QString& text) {
  const QFontMetrics metrics = control->fontMetrics();
  QSize room;
  QSize need(metrics.horizontalAdvance(text), metrics.height());
  if (const auto* label = qobject_cast<const QLabel*>(control)) {
    room = label->contentsRect().size();
    if (label->wordWrap()) {
      need = metrics
                 .boundingRect(QRect(0, 0, room.width(), INT_MAX),
                               static_cast<int>(label->alignment()) | Qt::TextWordWrap, text)
                 .size();
    } else {
      need = metrics.size(0, text);
    }
  } else if (const auto* button = qobject_cast<const QPushButton*>(control)) {
    room = ButtonRoom(button);
  } else if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
    room = LineEditRoom(edit);
  } else {
    return true;
  }
  return need.width() <= room.width() && need.height() <= room.height();
}

bool TextsFit(const QWidget* control, const QStringList& texts) {
  for (const QString& text : texts) {
    if (!TextFits(control, text)) return false;
  }
  return true;
}
