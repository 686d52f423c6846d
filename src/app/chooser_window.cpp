#include "app/chooser_window.h"

#include <QPushButton>
#include <QTimer>

#include "app/twips.h"
#include "front/chooser_design.h"

ChooserWindow::ChooserWindow(const QString& objectName, const QString& caption, double width,
                             double height, double leastHeight, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(objectName);
  setWindowTitle(caption);
  setAttribute(Qt::WA_DeleteOnClose);
  // The buttons and the list are placed by resizeEvent, which comes before the window shows.
  resize(TwipsToPixels(width), TwipsToPixels(height));
  setMinimumSize(TwipsToPixels(kChooserLeastWidth), TwipsToPixels(leastHeight));

  cmdCancel_ = new QPushButton("Cancel", this);
  cmdCancel_->setObjectName("cmdCancel");
  cmdOk_ = new QPushButton("Ok", this);
  cmdOk_->setObjectName("cmdOk");
  setTabOrder(cmdOk_, cmdCancel_);

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(200);
  connect(timer1_, &QTimer::timeout, this, [this] {
    timer1_->stop();
    raise();
    activateWindow();
  });
}

void ChooserWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!timerStarted_) {
    timerStarted_ = true;
    timer1_->start();
  }
}

void ChooserWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const double width = PixelsToTwips(this->width());
  const double height = PixelsToTwips(this->height());
  PlaceList(width, height);
  const ChooserButtons buttons = ChooserButtonsIn(width, height);
  PlaceTwips(cmdOk_, buttons.Ok);
  PlaceTwips(cmdCancel_, buttons.Cancel);
}
