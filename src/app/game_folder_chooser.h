#pragma once

#include <QMap>
#include <QString>
#include <functional>

#include "app/chooser_window.h"

class QComboBox;
class QListWidget;
class Ui;

// The game-folder chooser (Form2), opened by start-up when the registry names no game
// folder. It ends in one of two ways: "Ok" hands the folder to `onChosen`, and closes when
// that accepts it (a folder holding Morrowind.exe); "Cancel" (or closing the window through its
// frame) shows why and calls `onCancel`, which ends the program.
//
// Drive1 lists the mounted roots; Dir1 lists the current folder's ancestors and its
// sub-folders (activating one opens it). Messages go through `ui`.
class GameFolderChooser : public ChooserWindow {
  Q_OBJECT

 public:
  GameFolderChooser(Ui& ui, const QString& startFolder,
                    std::function<bool(const QString& folder)> onChosen,
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
  void PlaceList(double width, double height) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FillDrives();
  void SelectDriveOf(const QString& folder);

  Ui& ui_;
  std::function<bool(const QString&)> onChosen_;
  std::function<void()> onCancel_;
  QString folder_;
  QMap<QString, QString> driveFolders_;  // last folder shown per drive root
  bool finished_ = false;

  QComboBox* drive1_;
  QListWidget* dir1_;
};
