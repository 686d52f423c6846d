#include "app/game_folder_chooser.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QStorageInfo>
#include <QStyle>
#include <QTimer>

#include "app/twips.h"
#include "core/ui.h"
#include "platform/game_path.h"

namespace {

constexpr double kButtonWidth = 1215;
constexpr double kButtonHeight = 375;
constexpr int kPathRole = Qt::UserRole;

}  // namespace

GameFolderChooser::GameFolderChooser(Ui& ui, const QString& startFolder,
                                     std::function<void(const QString&)> onChosen,
                                     std::function<void()> onCancel, QWidget* parent)
    : QWidget(parent, Qt::Window),
      ui_(ui),
      onChosen_(std::move(onChosen)),
      onCancel_(std::move(onCancel)) {
  setObjectName("Form2");
  setWindowTitle("Select your Morrowind Directory");
  setAttribute(Qt::WA_DeleteOnClose);
  resize(TwipsToPixels(4695), TwipsToPixels(3195));
  // Large enough that the resize rule never gives negative sizes.
  setMinimumSize(TwipsToPixels(kButtonWidth * 2 + 375 + 120), TwipsToPixels(2400));

  drive1_ = new QComboBox(this);
  drive1_->setObjectName("Drive1");
  PlaceTwips(drive1_, 120, 120, 4320, 315);
  dir1_ = new QListWidget(this);
  dir1_->setObjectName("Dir1");
  PlaceTwips(dir1_, 120, 600, 4320, 1695);
  cmdCancel_ = new QPushButton("Cancel", this);
  cmdCancel_->setObjectName("cmdCancel");
  PlaceTwips(cmdCancel_, 1890, 2395, kButtonWidth, kButtonHeight);
  cmdOk_ = new QPushButton("Ok", this);
  cmdOk_->setObjectName("cmdOk");
  PlaceTwips(cmdOk_, 3105, 2395, kButtonWidth, kButtonHeight);
  setTabOrder(drive1_, dir1_);
  setTabOrder(dir1_, cmdOk_);
  setTabOrder(cmdOk_, cmdCancel_);

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(200);

  FillDrives();
  if (!SetFolder(startFolder)) SetFolder(QDir::rootPath());

  connect(drive1_, &QComboBox::currentIndexChanged, this,
          [this](int index) { ChangeDrive(drive1_->itemText(index)); });
  connect(dir1_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { SetFolder(item->data(kPathRole).toString()); });
  connect(cmdOk_, &QPushButton::clicked, this, &GameFolderChooser::Ok);
  connect(cmdCancel_, &QPushButton::clicked, this, &GameFolderChooser::Cancel);
  connect(timer1_, &QTimer::timeout, this, [this] {
    timer1_->stop();
    raise();
    activateWindow();
  });
}

void GameFolderChooser::FillDrives() {
  QStringList roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (volume.isValid() && !roots.contains(volume.rootPath())) roots.append(volume.rootPath());
  }
  if (!roots.contains(QDir::rootPath())) roots.append(QDir::rootPath());
  roots.sort();
  const QSignalBlocker block(drive1_);
  drive1_->addItems(roots);
}

void GameFolderChooser::SelectDriveOf(const QString& folder) {
  const QString root = QStorageInfo(folder).rootPath();
  const int index = drive1_->findText(root.isEmpty() ? QDir::rootPath() : root);
  if (index < 0) return;
  const QSignalBlocker block(drive1_);
  drive1_->setCurrentIndex(index);
}

bool GameFolderChooser::SetFolder(const QString& folder) {
  const QFileInfo info(folder);
  if (folder.isEmpty() || !info.isDir() || !info.isReadable()) return false;
  const QDir dir(info.absoluteFilePath());
  const QString path = QDir::cleanPath(dir.absolutePath());

  // The folder's ancestors from the root down, the folder itself, then its sub-folders.
  QStringList chain;
  for (QDir up(path);;) {
    chain.prepend(up.absolutePath());
    if (up.isRoot() || !up.cdUp()) break;
  }
  const QStringList children = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                                             QDir::Name | QDir::IgnoreCase);

  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  dir1_->clear();
  for (int depth = 0; depth < chain.size(); ++depth) {
    const QString name = depth == 0 ? chain[depth] : QFileInfo(chain[depth]).fileName();
    auto* item = new QListWidgetItem(open, QString(depth * 2, ' ') + name, dir1_);
    item->setData(kPathRole, chain[depth]);
  }
  const QString indent(chain.size() * 2, ' ');
  for (const QString& child : children) {
    auto* item = new QListWidgetItem(closed, indent + child, dir1_);
    item->setData(kPathRole, dir.absoluteFilePath(child));
  }
  dir1_->setCurrentRow(chain.size() - 1);

  folder_ = path;
  const QString root = QStorageInfo(path).rootPath();
  driveFolders_[root.isEmpty() ? QDir::rootPath() : root] = path;
  SelectDriveOf(path);
  return true;
}

void GameFolderChooser::ChangeDrive(const QString& root) {
  const QString target = driveFolders_.value(root, root);
  if (!SetFolder(target) && (target == root || !SetFolder(root))) {
    ui_.ShowMessage("Device unavailable", "", MessageIcon::Information);
    SelectDriveOf(folder_);
  }
}

void GameFolderChooser::Ok() {
  if (NormalFileExists(GamePath(QFile::encodeName(folder_).toStdString(), "\\Morrowind.exe"))) {
    finished_ = true;
    onChosen_(folder_);
    close();
    return;
  }
  ui_.ShowMessage("Morrowind was not found in the selected directory", "error",
                  MessageIcon::Exclamation);
}

void GameFolderChooser::Cancel() { close(); }

void GameFolderChooser::Dismiss() {
  finished_ = true;
  close();
}

void GameFolderChooser::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!timerStarted_) {
    timerStarted_ = true;
    timer1_->start();
  }
}

void GameFolderChooser::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const double width = PixelsToTwips(this->width());
  const double height = PixelsToTwips(this->height());
  PlaceTwips(dir1_, 120, 600, width - 375, height - 1500);
  const double okLeft = width - (kButtonWidth + 375);
  const double top = height - 800;
  PlaceTwips(cmdOk_, okLeft, top, kButtonWidth, kButtonHeight);
  PlaceTwips(cmdCancel_, okLeft - kButtonWidth, top, kButtonWidth, kButtonHeight);
}

void GameFolderChooser::closeEvent(QCloseEvent* event) {
  event->accept();
  // Without a game folder the program cannot go on: closing the window counts as Cancel.
  if (finished_) return;
  finished_ = true;
  ui_.ShowMessage("No Morrowind directory selected.  Exiting", "error", MessageIcon::Information);
  onCancel_();
}
