#include "app/savegame_chooser.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/twips.h"
#include "core/ui.h"
#include "front/chooser_design.h"
#include "front/main_window_design.h"
#include "front/savegame_list.h"

SavegameChooser::SavegameChooser(Ui& ui, const std::string& gameDir,
                                 std::function<void(const std::string&)> onChosen,
                                 std::function<void()> onClosed, QWidget* parent)
    : ChooserWindow("Form3", kSavegameChooserTitle, kSavegameChooserWidth, kSavegameChooserHeight,
                    kSavegameChooserLeastHeight, parent),
      ui_(ui),
      onChosen_(std::move(onChosen)),
      onClosed_(std::move(onClosed)) {
  file1_ = new QListWidget(this);
  file1_->setObjectName("File1");
  setTabOrder(file1_, cmdOk_);

  for (const std::string& name : ListSavegames(gameDir))
    file1_->addItem(QString::fromStdString(name));
  file1_->setCurrentRow(-1);

  connect(cmdOk_, &QPushButton::clicked, this, &SavegameChooser::Ok);
  connect(cmdCancel_, &QPushButton::clicked, this, &SavegameChooser::Cancel);
  connect(file1_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { Choose(item->text()); });
  // A key pressed right away moves in the list, never presses Cancel.
  file1_->setFocus();
}

void SavegameChooser::Ok() {
  const QListWidgetItem* item = file1_->currentItem();
  if (item && item->isSelected() && !item->text().isEmpty()) {
    Choose(item->text());
    return;
  }
  ui_.ShowMessage(kNoSavegameChosenText, "error", MessageIcon::Information);
}

void SavegameChooser::Choose(const QString& listed) {
  onChosen_(listed.toStdString());
  close();
}

void SavegameChooser::Cancel() { close(); }

void SavegameChooser::PlaceList(double width, double height) {
  PlaceTwips(file1_, SavegameListIn(width, height));
}

void SavegameChooser::closeEvent(QCloseEvent* event) {
  // Every way out, the window frame included, gives the main window back its input.
  if (!closed_) {
    closed_ = true;
    onClosed_();
  }
  event->accept();
}
