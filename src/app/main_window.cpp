#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include "app/address_box.h"
#include "app/game_folder_chooser.h"
#include "app/savegame_chooser.h"
#include "app/text_fit.h"
#include "app/twips.h"
#include "platform/quit_signals.h"

namespace {

// Colours are stored as the platform keeps them: red in the low byte, blue in the high one.
QColor StoredColor(int value) {
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

void SetBackground(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, color);
  widget->setPalette(palette);
  widget->setAutoFillBackground(true);
}

// Labels show names from savegames, plug-ins, the disk and the peer: as plain text always,
// never as markup that Qt would guess from a leading '<' (and whose images it would load).
QLabel* MakeLabel(QWidget* parent, const QString& text, Qt::Alignment align) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(text);
  label->setAlignment(align);
  return label;
}

QWidget* MakeControl(QWidget* parent, const ControlDesign& design) {
  const QString text = QString::fromUtf8(design.Text);
  switch (design.Kind) {
    case ControlKind::Label:
      return MakeLabel(parent, text, Qt::AlignLeft | Qt::AlignTop);
    case ControlKind::CentredLabel:
      return MakeLabel(parent, text, Qt::AlignCenter);
    case ControlKind::StatusLabel: {
      QLabel* label = MakeLabel(parent, text, Qt::AlignCenter);
      label->setWordWrap(true);
      return label;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::AddressBox: {
      auto* box = new AddressBox(parent);
      box->setText(text);
      return box;
    }
    case ControlKind::Outline: {
      auto* frame = new QFrame(parent);
      frame->setFrameShape(QFrame::Box);
      frame->setFrameShadow(QFrame::Plain);
      frame->setLineWidth(1);
      return frame;
    }
    case ControlKind::Bar: {
      auto* bar = new QWidget(parent);
      SetBackground(bar, StoredColor(kBarColor));
      return bar;
    }
  }
  return nullptr;
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Exclamation:
      return QMessageBox::Warning;
    case MessageIcon::Critical:
      return QMessageBox::Critical;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

MainWindow::MainWindow(Environment env, QWidget* parent)
    : QWidget(parent), logic_(std::move(env), sockets_.Link(), *this) {
  BuildControls();
  logic_.SetDrop1BackColor(kStartBackColor);
}

MainWindow::~MainWindow() {
  // The choosers are windows of their own; they go with the main window.
  delete gameFolderChooser_.data();
  delete savegameChooser_.data();
}

void MainWindow::BuildControls() {
  setObjectName("Form1");
  setWindowTitle(kMainWindowTitle);
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);

  for (const ControlDesign& design : MainWindowControls()) {
    QWidget* control = MakeControl(this, design);
    control->setObjectName(design.Name);
    control->setVisible(design.Visible);
    controls_[design.Id] = control;
    if (design.Kind == ControlKind::Bar) widths_[design.Id] = design.Width;
  }

  QLabel* help = static_cast<QLabel*>(Widget(Control::lblHelp));
  SetBackground(help, StoredColor(kHelpBackColor));
  QPalette palette = help->palette();
  palette.setColor(QPalette::WindowText, StoredColor(kHelpTextColor));
  help->setPalette(palette);
  QFont font("MS Sans Serif");
  font.setPointSizeF(kHelpFontPoints);
  help->setFont(font);
  help->installEventFilter(this);

  // Each address box hands the focus on to the next, the last one to "Transplant!".
  for (int i = 0; i < 4; ++i) {
    auto* box = static_cast<AddressBox*>(Widget(kAddressBoxes[i]));
    box->SetSuccessor(Widget(i < 3 ? kAddressBoxes[i + 1] : Control::Command1));
  }
  static_cast<AddressBox*>(Widget(Control::Text4))->SetEnterMovesFocus(true);

  FitLayout();

  const std::pair<WindowTimer, const char*> timers[] = {{WindowTimer::Timer1, "Timer1"},
                                                        {WindowTimer::Timer2, "Timer2"},
                                                        {WindowTimer::Question, ""}};
  for (const auto& [which, name] : timers) {
    auto* timer = new QTimer(this);
    timer->setObjectName(name);
    timer->setSingleShot(which == WindowTimer::Question);
    connect(timer, &QTimer::timeout, this, [this, which] { logic_.OnTimer(which); });
    timers_[which] = timer;
  }

  const std::span<const Control> tabOrder = MainWindowTabOrder();
  for (size_t i = 0; i + 1 < tabOrder.size(); ++i)
    setTabOrder(Widget(tabOrder[i]), Widget(tabOrder[i + 1]));
  Widget(Control::Command1)->setFocus();

  for (Control command :
       {Control::Command1, Control::cmdConnect, Control::cmdCharacter, Control::cmdPlay}) {
    connect(static_cast<QPushButton*>(Widget(command)), &QPushButton::clicked, this,
            [this, command] { logic_.Click(command); });
  }
}

QStringList MainWindow::TextsShownBy(Control control) const {
  QStringList texts;
  for (const std::string& text : ::TextsShownBy(control, logic_.LinkCaption()))
    texts << QString::fromStdString(text);
  return texts;
}

void MainWindow::PlaceControl(Control control) {
  const ControlDesign& design = DesignOf(control);
  const auto width = widths_.find(control);
  PlaceTwips(Widget(control), design.Left, design.Top,
             width == widths_.end() ? design.Width : width->second, design.Height, scale_);
}

void MainWindow::FitLayout() {
  // The design assumes a small font; a larger one (or a larger screen font) enlarges the
  // whole layout evenly until every control shows its texts whole.
  const auto placeAll = [this] {
    for (const auto& [control, widget] : controls_) {
      widget->ensurePolished();
      PlaceControl(control);
    }
  };
  const auto allFit = [this] {
    for (const auto& [control, widget] : controls_) {
      if (!TextsFit(widget, TextsShownBy(control))) return false;
    }
    return true;
  };
  constexpr double kStep = 0.125;
  constexpr double kLargest = 4;
  scale_ = 1;
  placeAll();
  while (scale_ < kLargest && !allFit()) {
    scale_ += kStep;
    placeAll();
  }
  setFixedSize(TwipsToPixels(kMainWindowWidth, scale_), TwipsToPixels(kMainWindowHeight, scale_));
}

void MainWindow::SetText(Control control, const std::string& text) {
  const QString shown = QString::fromStdString(text);
  if (auto* label = qobject_cast<QLabel*>(Widget(control))) return label->setText(shown);
  if (auto* edit = qobject_cast<QLineEdit*>(Widget(control))) return edit->setText(shown);
  if (auto* button = qobject_cast<QPushButton*>(Widget(control))) button->setText(shown);
}

std::string MainWindow::Text(Control control) const {
  if (auto* label = qobject_cast<QLabel*>(Widget(control))) return label->text().toStdString();
  if (auto* edit = qobject_cast<QLineEdit*>(Widget(control))) return edit->text().toStdString();
  if (auto* button = qobject_cast<QPushButton*>(Widget(control)))
    return button->text().toStdString();
  return {};
}

void MainWindow::SetVisible(Control control, bool visible) { Widget(control)->setVisible(visible); }

void MainWindow::SetBackColor(Control control, int storedColor) {
  SetBackground(Widget(control), StoredColor(storedColor));
}

void MainWindow::SetWidthTwips(Control control, double twips) {
  widths_[control] = twips;
  PlaceControl(control);
}

double MainWindow::WidthTwips(Control control) const {
  return PixelsToTwips(Widget(control)->width(), scale_);
}

void MainWindow::StartTimer(WindowTimer timer, std::chrono::milliseconds interval) {
  timers_.at(timer)->start(interval);
}

void MainWindow::StopTimer(WindowTimer timer) { timers_.at(timer)->stop(); }

bool MainWindow::TimerRunning(WindowTimer timer) const { return timers_.at(timer)->isActive(); }

void MainWindow::ShowMessageBox(const std::string& text, const std::string& title,
                                MessageIcon icon) {
  if (MessageHook) return MessageHook(text, title, icon);
  // Shown and left open: the logic goes on, and nothing waits in a nested event loop. One box
  // per text and a few at most, so a peer cannot pile them up.
  const QString shown = QString::fromStdString(text);
  const QString caption = QString::fromStdString(title);
  std::erase_if(messageBoxes_, [](const QPointer<QMessageBox>& box) { return !box; });
  for (QMessageBox* open : messageBoxes_) {
    if (open->text() == shown && open->windowTitle() == caption) return open->raise();
  }
  constexpr size_t kMostBoxes = 4;
  if (messageBoxes_.size() >= kMostBoxes) return;
  // Over the window the user is working in (a chooser while one is open).
  QWidget* parent = QApplication::activeWindow();
  if (!parent || qobject_cast<QMessageBox*>(parent)) parent = this;
  auto* box = new QMessageBox(BoxIcon(icon), caption, shown, QMessageBox::Ok, parent);
  box->setTextFormat(Qt::PlainText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  messageBoxes_.push_back(box);
  box->open();
}

void MainWindow::OpenGameFolderChooser() {
  auto* chooser = new GameFolderChooser(
      logic_, QDir::currentPath(),
      [this](const QString& folder) {
        return logic_.ChooseGameFolder(QFile::encodeName(folder).toStdString());
      },
      [this] {
        // The box saying why stays readable: the program ends once it is closed.
        std::erase_if(messageBoxes_, [](const QPointer<QMessageBox>& box) { return !box; });
        if (messageBoxes_.empty()) return EndProgram();
        connect(messageBoxes_.back(), &QObject::destroyed, this, [this] { EndProgram(); });
      });
  gameFolderChooser_ = chooser;
  chooser->show();
}

GameFolderChooser* MainWindow::GameFolderChooserWindow() const { return gameFolderChooser_; }

SavegameChooser* MainWindow::SavegameChooserWindow() const { return savegameChooser_; }

void MainWindow::OpenSavegameChooser(const std::string& gameDir) {
  if (savegameChooser_) {
    savegameChooser_->raise();
    savegameChooser_->activateWindow();
    return;
  }
  auto* chooser = new SavegameChooser(
      logic_, gameDir, [this](const std::string& name) { logic_.ChooseSavegame(name); },
      [this] { logic_.SavegameChooserClosed(); });
  savegameChooser_ = chooser;
  chooser->show();
}

void MainWindow::SetInputEnabled(bool enabled) { setEnabled(enabled); }

void MainWindow::YieldToEventLoop() {
  // Callers come here every 64 KiB of work or so; repainting that often would cost more than
  // the work itself, so events are processed at most every 20 ms.
  if (yieldClock_.isValid() && yieldClock_.elapsed() < 20) return;
  QCoreApplication::processEvents();
  yieldClock_.start();
}

void MainWindow::AskToLink(const std::string& question) {
  CloseLinkQuestion();
  auto* box = new QMessageBox(QMessageBox::Question, QCoreApplication::applicationName(),
                              QString::fromStdString(question), QMessageBox::NoButton, this);
  box->setObjectName("LinkQuestion");
  box->setTextFormat(Qt::PlainText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  QPushButton* accept = box->addButton("Accept", QMessageBox::AcceptRole);
  box->addButton("Refuse", QMessageBox::RejectRole);
  connect(box, &QMessageBox::finished, this, [this, box, accept] {
    // A question closed by the link itself has no answer to give.
    if (linkQuestion_ != box) return;
    linkQuestion_ = nullptr;
    logic_.AnswerLinkQuestion(box->clickedButton() == accept);
  });
  linkQuestion_ = box;
  box->open();  // the window's loop goes on while the question waits
}

void MainWindow::CloseLinkQuestion() {
  QMessageBox* box = linkQuestion_;
  linkQuestion_ = nullptr;
  if (box) box->close();
}

void MainWindow::RunOnWindowThread(std::function<void()> task) {
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  QWidget* help = Widget(Control::lblHelp);
  if (watched == help && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && help->rect().contains(mouse->position().toPoint())) {
      logic_.Click(Control::lblHelp);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!logic_.Ending()) EndProgram();
}

void MainWindow::EndOnQuitSignals() {
  const int descriptor = WatchQuitSignals();
  if (descriptor < 0) return;
  auto* notifier = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this, descriptor] {
    DrainQuitSignals(descriptor);
    EndProgram();
  });
}

void MainWindow::CloseAll() {
  if (gameFolderChooser_) gameFolderChooser_->Dismiss();
  if (savegameChooser_) savegameChooser_->close();
  close();
  if (ProgramEndHook) {
    ProgramEndHook();
  } else {
    QCoreApplication::exit(0);
  }
}
