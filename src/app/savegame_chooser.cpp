#include "app/savegame_chooser.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/twips.h"
#include "core/ui.h"
#include "platform/game_path.h"

namespace {

constexpr double kButtonWidth = 1215;
constexpr double kButtonHeight = 375;

}  // namespace

SavegameChooser::SavegameChooser(Ui& ui, const std::string& gameDir,
                                 std::function<void(const std::string&)> onChosen,
                                 std::function<void()> onClosed, QWidget* parent)
    : QWidget(parent, Qt::Window),
      ui_(ui),
      onChosen_(std::move(onChosen)),
      onClosed_(std::move(onClosed)) {
  setObjectName("Form3");
  setWindowTitle("Select a Savegame");
  setAttribute(Qt::WA_DeleteOnClose);
  resize(TwipsToPixels(4680), TwipsToPixels(3195));
  // Small enough for any use, large enough that the resize rule never gives negative sizes.
  setMinimumSize(TwipsToPixels(kButtonWidth * 2 + 375 + 120), TwipsToPixels(1800));

  file1_ = new QListWidget(this);
  file1_->setObjectName("File1");
  PlaceTwips(file1_, 120, 120, 3735, 1650);
  cmdCancel_ = new QPushButton("Cancel", this);
  cmdCancel_->setObjectName("cmdCancel");
  PlaceTwips(cmdCancel_, 1800, 2640, kButtonWidth, kButtonHeight);
  cmdOk_ = new QPushButton("Ok", this);
  cmdOk_->setObjectName("cmdOk");
  PlaceTwips(cmdOk_, 3240, 2640, kButtonWidth, kButtonHeight);
  setTabOrder(file1_, cmdOk_);
  setTabOrder(cmdOk_, cmdCancel_);

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(200);

  // The listed names are the files' own; the folder is found without regard to case.
  const QString folder = QFile::decodeName(GamePath(gameDir, "\\Saves\\").c_str());
  QStringList names;
  for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase)) {
    if (name.endsWith(".ess", Qt::CaseInsensitive)) names.append(name);
  }
  file1_->addItems(names);
  file1_->setCurrentRow(-1);

  connect(cmdOk_, &QPushButton::clicked, this, &SavegameChooser::Ok);
  connect(cmdCancel_, &QPushButton::clicked, this, &SavegameChooser::Cancel);
  connect(file1_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { Choose(QFile::encodeName(item->text()).toStdString()); });
  connect(timer1_, &QTimer::timeout, this, [this] {
    timer1_->stop();
    raise();
    activateWindow();
  });
}

void SavegameChooser::Ok() {
  const QListWidgetItem* item = file1_->currentItem();
  if (item && item->isSelected() && !item->text().isEmpty()) {
    Choose(QFile::encodeName(item->text()).toStdString());
    return;
  }
  ui_.ShowMessage("Please select a savegame to activate your character", "error",
                  MessageIcon::Information);
}

void SavegameChooser::Choose(const std::string& name) {
  onChosen_(name);
  close();
}

void SavegameChooser::Cancel() { close(); }

void SavegameChooser::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!timerStarted_) {
    timerStarted_ = true;
    timer1_->start();
  }
}

void SavegameChooser::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const double width = PixelsToTwips(this->width());
  const double height = PixelsToTwips(this->height());
  PlaceTwips(file1_, 120, 120, width - 375, height - 1000);
  const double okLeft = width - (kButtonWidth + 375);
  const double top = height - 800;
  PlaceTwips(cmdOk_, okLeft, top, kButtonWidth, kButtonHeight);
  PlaceTwips(cmdCancel_, okLeft - kButtonWidth, top, kButtonWidth, kButtonHeight);
}

void SavegameChooser::closeEvent(QCloseEvent* event) {
  // Every way out, the window frame included, gives the main window back its input.
  if (!closed_) {
    closed_ = true;
    onClosed_();
  }
  event->accept();
}
