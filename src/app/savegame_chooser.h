#pragma once

#include <functional>
#include <string>

#include "app/chooser_window.h"

class QListWidget;
class Ui;

// The savegame chooser (Form3): the "*.ess" files of GameDir\Saves\ (the folder found
// without regard to letter case; a missing one shows an empty list). "Ok" on a selected
// file or a double-click hands the listed name (UTF-8) to `onChosen` and closes; "Cancel" closes.
// Every way out, closing through the frame included, calls `onClosed`.
class SavegameChooser : public ChooserWindow {
  Q_OBJECT

 public:
  SavegameChooser(Ui& ui, const std::string& gameDir,
                  std::function<void(const std::string& name)> onChosen,
                  std::function<void()> onClosed, QWidget* parent = nullptr);

  void Ok();
  void Cancel();

 protected:
  void PlaceList(double width, double height) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Choose(const QString& listed);

  Ui& ui_;
  std::function<void(const std::string&)> onChosen_;
  std::function<void()> onClosed_;
  bool closed_ = false;

  QListWidget* file1_;
};
