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
#include "front/main_window_design.h"

namespace {

constexpr int kPathRole = Qt::UserRole;

}  // namespace

GameFolderChooser::GameFolderChooser(Ui& ui, const QString& startFolder,
                                     std::function<bool(const QString&)> onChosen,
                                     std::function<void()> onCancel, QWidget* parent)
    : ChooserWindow("Form2", kGameFolderChooserTitle, 4695, 3195, 2400, parent),
      ui_(ui),
      onChosen_(std::move(onChosen)),
      onCancel_(std::move(onCancel)) {
  drive1_ = new QComboBox(this);
  drive1_->setObjectName("Drive1");
  PlaceTwips(drive1_, 120, 120, 4320, 315);
  dir1_ = new QListWidget(this);
  dir1_->setObjectName("Dir1");
  setTabOrder(drive1_, dir1_);
  setTabOrder(dir1_, cmdOk_);

  FillDrives();
  if (!SetFolder(startFolder)) SetFolder(QDir::rootPath());

  connect(drive1_, &QComboBox::currentIndexChanged, this,
          [this](int index) { ChangeDrive(drive1_->itemText(index)); });
  connect(dir1_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { SetFolder(item->data(kPathRole).toString()); });
  connect(cmdOk_, &QPushButton::clicked, this, &GameFolderChooser::Ok);
  connect(cmdCancel_, &QPushButton::clicked, this, &GameFolderChooser::Cancel);
  // A key pressed right away moves in the list, never presses Cancel.
  dir1_->setFocus();
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
  // The main window checks the folder and says why it is refused.
  if (onChosen_(folder_)) {
    finished_ = true;
    close();
  }
}

void GameFolderChooser::Cancel() { close(); }

void GameFolderChooser::Dismiss() {
  finished_ = true;
  close();
}

void GameFolderChooser::PlaceList(double width, double height) {
  PlaceTwips(dir1_, 120, 600, width - 375, height - 1500);
}

void GameFolderChooser::closeEvent(QCloseEvent* event) {
  event->accept();
  // Without a game folder the program cannot go on: closing the window counts as Cancel.
  if (finished_) return;
  finished_ = true;
  ui_.ShowMessage(kNoGameFolderText, "error", MessageIcon::Information);
  onCancel_();
}
