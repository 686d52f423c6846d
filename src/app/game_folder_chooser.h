#pragma once

#include <QMap>
#include <QString>
#include <QWidget>
#include <functional>

class QComboBox;
class QListWidget;
class QPushButton;
class QTimer;
class Ui;

// The game-folder chooser (Form2), opened by start-up when the registry names no game
// folder. It ends in one of two ways: "Ok" on a folder holding Morrowind.exe hands the
// folder to `onChosen` and closes; "Cancel" (or closing the window through its frame)
// shows why and calls `onCancel`, which ends the program.
//
// Drive1 lists the mounted roots; Dir1 lists the current folder's ancestors and its
// sub-folders (activating one opens it). Messages go through `ui`.
class GameFolderChooser : public QWidget {
  Q_OBJECT

 public:
  GameFolderChooser(Ui& ui, const QString& startFolder,
                    std::function<void(const QString& folder)> onChosen,
                    std::function<void()> onCancel, QWidget* parent = nullptr);

  // The folder list's current folder.
  QString CurrentFolder() const { return folder_; }
  // Moves the folder list to `folder`; false (and no change) when it cannot be listed.
  bool SetFolder(const QString& folder);
  // Drive changed: moves the folder list to that drive's last folder, or says "Device
  // unavailable" and keeps the folder.
  void ChangeDrive(const QString& root);

  void Ok();
  void Cancel();
  // Closes without the Cancel message (the program is ending anyway).
  void Dismiss();

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FillDrives();
  void SelectDriveOf(const QString& folder);

  Ui& ui_;
  std::function<void(const QString&)> onChosen_;
  std::function<void()> onCancel_;
  QString folder_;
  QMap<QString, QString> driveFolders_;  // last folder shown per drive root
  bool finished_ = false;
  bool timerStarted_ = false;

  QComboBox* drive1_;
  QListWidget* dir1_;
  QPushButton* cmdOk_;
  QPushButton* cmdCancel_;
  QTimer* timer1_;
};
