#include "app/chooser_window.h"

#include <QPushButton>
#include <QTimer>

#include "app/twips.h"

namespace {

constexpr double kButtonWidth = 1215;
constexpr double kButtonHeight = 375;

}  // namespace

ChooserWindow::ChooserWindow(const QString& objectName, const QString& caption,
                             const Design& design, QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setObjectName(objectName);
  setWindowTitle(caption);
  setAttribute(Qt::WA_DeleteOnClose);
  resize(TwipsToPixels(design.Width), TwipsToPixels(design.Height));
  // Large enough that the resize rule never gives negative sizes.
  setMinimumSize(TwipsToPixels(kButtonWidth * 2 + 375 + 120), TwipsToPixels(design.MinimumHeight));

  cmdCancel_ = new QPushButton("Cancel", this);
  cmdCancel_->setObjectName("cmdCancel");
  PlaceTwips(cmdCancel_, design.CancelLeft, design.ButtonTop, kButtonWidth, kButtonHeight);
  cmdOk_ = new QPushButton("Ok", this);
  cmdOk_->setObjectName("cmdOk");
  PlaceTwips(cmdOk_, design.OkLeft, design.ButtonTop, kButtonWidth, kButtonHeight);
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
  const double okLeft = width - (kButtonWidth + 375);
  const double top = height - 800;
  PlaceTwips(cmdOk_, okLeft, top, kButtonWidth, kButtonHeight);
  PlaceTwips(cmdCancel_, okLeft - kButtonWidth, top, kButtonWidth, kButtonHeight);
}
