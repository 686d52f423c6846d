#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Whether a label, button or line edit shows all of `text` at its present size and font:
// the text's width and height (wrapped to the label's width for a word-wrapping label)
// within the room the control's style leaves for it.
bool TextFits(const QWidget* control, const QString& text);

// Whether the control shows each of the texts whole.
bool TextsFit(const QWidget* control, const QStringList& texts);
