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
#include <cmath>

#include "app/address_box.h"
#include "app/game_folder_chooser.h"
#include "app/savegame_chooser.h"
#include "app/text_fit.h"
#include "app/twips.h"
#include "bridge/launch.h"
#include "link/startup.h"
#include "media/outcome_text.h"
#include "platform/game_installs.h"
#include "platform/quit_signals.h"

namespace {

// Shown by the "?" box.
constexpr const char* kContactAddress = "quib@example.org";

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
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, Qt::Alignment align) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setText(text);
  label->setObjectName(name);
  label->setAlignment(align);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QFrame* MakeOutline(QWidget* parent, const char* name) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(name);
  frame->setFrameShape(QFrame::Box);
  frame->setFrameShadow(QFrame::Plain);
  frame->setLineWidth(1);
  return frame;
}

QWidget* MakeBar(QWidget* parent, const char* name) {
  auto* bar = new QWidget(parent);
  bar->setObjectName(name);
  SetBackground(bar, QColor(0, 0, 255));
  return bar;
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
    : QWidget(parent),
      env_(std::move(env)),
      relayReceiver_(paths_, relay_),
      receiver_(paths_, media_, relayReceiver_, names_, *this, link_),
      exporter_(paths_, media_, receiver_.State(), names_, *this, link_),
      bridge_(paths_, relay_, link_),
      controller_(link_, *this, *this, env_, paths_, relay_, receiver_) {
  paths_.ProgramDir = env_.ProgramDir;
  receiver_.SetWorkers(env_.Workers);
  BuildControls();
  if (env_.MapRouterPort) {
    // The router answers on the mapper's thread; the label changes on this one.
    portMapper_ = std::make_unique<PortMapper>(
        [this](const PortMapReport& report) {
          QMetaObject::invokeMethod(
              this, [this, report] { controller_.ShowRouterReport(report); }, Qt::QueuedConnection);
        },
        env_.RouterLeaseSeconds);
    // The router is asked for the address this machine reaches it from, whatever is shown.
    controller_.MapPort = [this](uint16_t port) { portMapper_->Request(port); };
  }
}

MainWindow::~MainWindow() {
  // The choosers are windows of their own; they go with the main window.
  delete gameFolderChooser_.data();
  delete savegameChooser_.data();
}

void MainWindow::BuildControls() {
  setObjectName("Form1");
  setWindowTitle("Quib!");
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);

  const Qt::Alignment centred = Qt::AlignCenter;
  label1_ = MakeLabel(this, "Label1", "Savegame", Qt::AlignLeft | Qt::AlignTop);
  Place(label1_, 240, 240, 1335, 255);

  cmdConnect_ = MakeButton(this, "cmdConnect", "Connect");
  Place(cmdConnect_, 1320, 120, 1335, 255);

  const char* boxNames[4] = {"Text1", "Text2", "Text3", "Text4"};
  const char* boxTexts[4] = {"192", "168", "1", "100"};
  for (int i = 0; i < 4; ++i) {
    auto* box = new AddressBox(this);
    box->setText(boxTexts[i]);
    box->setObjectName(boxNames[i]);
    text_[i] = box;
    Place(text_[i], 2760 + 480 * i, 120, 375, 285);
  }

  linkCaption_ = "Select a Character to proceed.";
  drop1_ = MakeLabel(this, "Drop1", linkCaption_, centred);
  drop1_->setWordWrap(true);
  Place(drop1_, 240, 480, 4215, 1095);
  SetDrop1BackColor(255);

  lblHelp_ = MakeLabel(this, "lblHelp", "?", centred);
  SetBackground(lblHelp_, QColor(128, 0, 0));
  {
    QPalette palette = lblHelp_->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 255, 0));
    lblHelp_->setPalette(palette);
    QFont font("MS Sans Serif");
    font.setPointSizeF(13.5);
    lblHelp_->setFont(font);
  }
  Place(lblHelp_, 0, 1200, 255, 375);
  lblHelp_->installEventFilter(this);

  command1_ = MakeButton(this, "Command1", "Transplant!");
  Place(command1_, 120, 1800, 1215, 255);
  for (int i = 0; i < 4; ++i)
    text_[i]->SetSuccessor(i < 3 ? static_cast<QWidget*>(text_[i + 1]) : command1_);
  text_[3]->SetEnterMovesFocus(true);

  label3_ = MakeLabel(this, "Label3", ".", centred);
  Place(label3_, 120, 2640, 4455, 255);
  shape1_ = MakeOutline(this, "Shape1");
  Place(shape1_, 120, 2880, 4455, 375);
  bar1_ = MakeBar(this, "bar1");
  Place(bar1_, 120, 2880, 135, 375);
  cmdCharacter_ = MakeButton(this, "cmdCharacter", "Select Character");
  Place(cmdCharacter_, 120, 2760, 4455, 495);

  label4_ = MakeLabel(this, "Label4", ".", centred);
  Place(label4_, 120, 3480, 4455, 255);
  shape2_ = MakeOutline(this, "Shape2");
  Place(shape2_, 120, 3720, 4455, 375);
  bar2_ = MakeBar(this, "bar2");
  Place(bar2_, 120, 3720, 135, 375);
  cmdPlay_ = MakeButton(this, "cmdPlay", "Launch Kestrane");
  Place(cmdPlay_, 120, 3600, 4455, 495);

  for (QWidget* hidden : {static_cast<QWidget*>(label3_), static_cast<QWidget*>(shape1_), bar1_,
                          static_cast<QWidget*>(label4_), static_cast<QWidget*>(shape2_), bar2_}) {
    hidden->hide();
  }

  FitLayout();

  timer1_ = new QTimer(this);
  timer1_->setObjectName("Timer1");
  timer1_->setInterval(100);
  timer2_ = new QTimer(this);
  timer2_->setObjectName("Timer2");
  timer2_->setInterval(300);

  setTabOrder(command1_, cmdConnect_);
  setTabOrder(cmdConnect_, text_[0]);
  for (int i = 0; i < 3; ++i) setTabOrder(text_[i], text_[i + 1]);
  setTabOrder(text_[3], cmdPlay_);
  setTabOrder(cmdPlay_, cmdCharacter_);
  command1_->setFocus();

  for (QPushButton* button : {command1_, cmdConnect_, cmdCharacter_, cmdPlay_}) {
    connect(button, &QPushButton::clicked, this, [this] { DropOutcome(); });
  }
  connect(command1_, &QPushButton::clicked, this, [this] { exporter_.Transplant(); });
  connect(cmdConnect_, &QPushButton::clicked, this, [this] { controller_.Connect(); });
  connect(cmdCharacter_, &QPushButton::clicked, this, [this] { OpenSavegameChooser(); });
  connect(cmdPlay_, &QPushButton::clicked, this,
          [this] { LaunchGame(paths_, env_.Installs(), *this); });
  connect(timer1_, &QTimer::timeout, this, [this] {
    bar2Twips_ = static_cast<float>(fileProgress_);
    ApplyBar2();
  });
  connect(timer2_, &QTimer::timeout, this, [this] { bridge_.Tick(); });
}

void MainWindow::Place(QWidget* control, double left, double top, double width, double height) {
  design_.push_back({control, QRectF(left, top, width, height)});
}

// The longest texts each control shows; the layout grows until all of them fit.
QStringList MainWindow::TextsShownBy(const QWidget* control) const {
  if (control == drop1_) {
    QStringList texts = {linkCaption_, "Connected to Peer",
                         "Please establish connection with Peer\r\nYour external IP is: "
                         "203.113.155.201\r\nYour LAN IP is: 192.168.100.100"};
    // A character's name has at most 31 characters.
    const std::string name = "Gandalf the Grey of Vvardenfell";
    for (const auto kind : {TransplantOutcome::Kind::Sent, TransplantOutcome::Kind::Arrived,
                            TransplantOutcome::Kind::NothingWritten}) {
      texts << QString::fromStdString(OutcomeText({kind, {}, 99999, 99999ll << 20}, name));
    }
    return texts;
  }
  if (control == label3_) return {"Inspecting: Savegame"};
  if (control == label4_) return {"Receiving character media list."};
  for (const AddressBox* box : text_) {
    if (control == box) return {"192", "168", "255", "888"};
  }
  if (const auto* label = qobject_cast<const QLabel*>(control)) return {label->text()};
  if (const auto* button = qobject_cast<const QPushButton*>(control)) return {button->text()};
  return {};
}

void MainWindow::FitLayout() {
  // The design assumes a small font; a larger one (or a larger screen font) enlarges the
  // whole layout evenly until every control shows its texts whole.
  const auto placeAll = [this] {
    for (const auto& [control, twips] : design_) {
      control->ensurePolished();
      PlaceTwips(control, twips.left(), twips.top(), twips.width(), twips.height(), scale_);
    }
  };
  const auto allFit = [this] {
    for (const auto& [control, twips] : design_) {
      if (!TextsFit(control, TextsShownBy(control))) return false;
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
  setFixedSize(TwipsToPixels(4695, scale_), TwipsToPixels(4485, scale_));
}

void MainWindow::Startup() {
  if (startedUp_) return;
  startedUp_ = true;
  paths_.ArenaTemplatePath =
      env_.ArenaTemplatePath.empty() ? paths_.ProgramDir + "/arena.dat" : env_.ArenaTemplatePath;
  // The bridge starts reading the log at offset 0; it is created that way.

  paths_.GameDir = FindGameDir(env_.Installs());
  if (paths_.GameDir != kNotFound) {
    PrepareGameFolder(paths_.GameDir, /*deleteLog=*/true);
  } else {
    OpenGameFolderChooser();
  }

  relay_.VarNameCount = 0;
  relay_.OutVarCount = 0;
  receiver_.State().MessageTypeTaken = false;

  const std::vector<std::string> octets = OpponentAddressTexts(paths_.ProgramDir);
  for (size_t i = 0; i < octets.size() && i < 4; ++i) {
    text_[i]->setText(QString::fromStdString(octets[i]));
  }

  int32_t port = env_.PeerPort;
  std::string localIp = controller_.LocalAddress;
  controller_.StartServer(port, localIp);
}

void MainWindow::OpenGameFolderChooser() {
  auto* chooser = new GameFolderChooser(
      *this, QDir::currentPath(),
      [this](const QString& folder) {
        setEnabled(true);
        paths_.GameDir = QFile::encodeName(folder).toStdString();
        PrepareGameFolder(paths_.GameDir, /*deleteLog=*/false);
      },
      [this] {
        // The box saying why stays readable: the program ends once it is closed.
        std::erase_if(messageBoxes_, [](const QPointer<QMessageBox>& box) { return !box; });
        if (messageBoxes_.empty()) return EndProgram();
        connect(messageBoxes_.back(), &QObject::destroyed, this, [this] { EndProgram(); });
      });
  gameFolderChooser_ = chooser;
  chooser->show();
  setEnabled(false);
}

GameFolderChooser* MainWindow::GameFolderChooserWindow() const { return gameFolderChooser_; }

SavegameChooser* MainWindow::SavegameChooserWindow() const { return savegameChooser_; }

void MainWindow::OpenSavegameChooser() {
  if (savegameChooser_) {
    savegameChooser_->raise();
    savegameChooser_->activateWindow();
    return;
  }
  auto* chooser = new SavegameChooser(
      *this, paths_.GameDir,
      [this](const std::string& name) {
        paths_.SaveGamePath = paths_.GameDir + "\\Saves\\" + name;
      },
      [this] { setEnabled(true); });
  savegameChooser_ = chooser;
  chooser->show();
  setEnabled(false);
}

void MainWindow::IdleState() {
  timer1_->stop();
  cmdCharacter_->show();
  cmdPlay_->show();
  shape1_->hide();
  bar1_->hide();
  label3_->hide();
  shape2_->hide();
  bar2_->hide();
  label4_->hide();
}

void MainWindow::BusyState() {
  DropOutcome();
  timer1_->start();
  cmdCharacter_->hide();
  cmdPlay_->hide();
  shape1_->show();
  bar1_->show();
  label3_->show();
  shape2_->show();
  bar2_->show();
  label4_->show();
  label3_->setText("");
  label4_->setText("");
}

void MainWindow::ConnectedState() {
  cmdConnect_->hide();
  for (AddressBox* box : text_) box->hide();
}

void MainWindow::DisconnectedState() {
  cmdConnect_->show();
  for (AddressBox* box : text_) box->show();
}

void MainWindow::SetLabel3(const std::string& text) {
  label3_->setText(QString::fromStdString(text));
}

void MainWindow::SetLabel4(const std::string& text) {
  label4_->setText(QString::fromStdString(text));
}

double MainWindow::Shape1Width() const { return PixelsToTwips(shape1_->width(), scale_); }

double MainWindow::Shape2Width() const { return PixelsToTwips(shape2_->width(), scale_); }

void MainWindow::SetBar1Width(double twips) {
  bar1Twips_ = twips;
  ApplyBar1();
}

void MainWindow::SetFileProgress(double twips) { fileProgress_ = twips; }

void MainWindow::ApplyBar1() {
  // A width is never negative; a nonsense progress value shows an empty bar.
  const double twips = std::isfinite(bar1Twips_) && bar1Twips_ > 0 ? bar1Twips_ : 0;
  bar1_->resize(TwipsToPixels(std::min(twips, 1e7), scale_), bar1_->height());
}

void MainWindow::ApplyBar2() {
  const double twips = std::isfinite(bar2Twips_) && bar2Twips_ > 0 ? bar2Twips_ : 0;
  bar2_->resize(TwipsToPixels(std::min(twips, 1e7), scale_), bar2_->height());
}

void MainWindow::ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) {
  const QString caption =
      title.empty() ? QCoreApplication::applicationName() : QString::fromStdString(title);
  if (MessageHook) {
    MessageHook(text, caption.toStdString(), icon);
    return;
  }
  // Shown and left open: the logic goes on, and nothing waits in a nested event loop. One box
  // per text and a few at most, so a peer cannot pile them up.
  const QString shown = QString::fromStdString(text);
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

void MainWindow::YieldToEventLoop() {
  // Callers come here every 64 KiB of work or so; repainting that often would cost more than
  // the work itself, so events are processed at most every 20 ms.
  if (yieldClock_.isValid() && yieldClock_.elapsed() < 20) return;
  QCoreApplication::processEvents();
  yieldClock_.start();
}

void MainWindow::SetDrop1BackColor(int color) {
  drop1BackColor_ = color;
  SetBackground(drop1_, StoredColor(color));
}

void MainWindow::SetDrop1Caption(const std::string& caption) {
  linkCaption_ = QString::fromStdString(caption);
  if (!showingOutcome_) drop1_->setText(linkCaption_);
}

void MainWindow::ShowOutcome(const TransplantOutcome& outcome) {
  // The character's name is in the game's 8-bit code page.
  drop1_->setText(QString::fromLatin1(OutcomeText(outcome)));
  showingOutcome_ = true;
}

void MainWindow::DropOutcome() {
  showingOutcome_ = false;
  drop1_->setText(linkCaption_);
}

AddressBox* MainWindow::Box(int box) const {
  return box >= 1 && box <= 4 ? text_[box - 1] : nullptr;
}

std::string MainWindow::AddressBoxText(int box) const {
  const AddressBox* edit = Box(box);
  return edit ? edit->text().toStdString() : std::string();
}

void MainWindow::EnableTimer2() {
  if (!timer2_->isActive()) timer2_->start();
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
    controller_.AnswerLinkQuestion(box->clickedButton() == accept);
  });
  linkQuestion_ = box;
  box->open();  // the window's loop goes on while the question waits
}

void MainWindow::CloseLinkQuestion() {
  QMessageBox* box = linkQuestion_;
  linkQuestion_ = nullptr;
  if (box) box->close();
}

void MainWindow::CheckQuestionAfter(std::chrono::milliseconds delay) {
  if (!questionTimer_) {
    questionTimer_ = new QTimer(this);
    questionTimer_->setSingleShot(true);
    connect(questionTimer_, &QTimer::timeout, this, [this] { controller_.CheckQuestion(); });
  }
  questionTimer_->start(delay);
}

void MainWindow::RunOnWindowThread(std::function<void()> task) {
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void MainWindow::ShowHelp() {
  DropOutcome();
  ShowMessage(std::string("Send questions to ") + kContactAddress, "QUIB!",
              MessageIcon::Information);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblHelp_ && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton &&
        lblHelp_->rect().contains(mouse->position().toPoint())) {
      ShowHelp();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!ending_) EndProgram();
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

void MainWindow::EndProgram() {
  if (ending_) return;
  ending_ = true;
  timer1_->stop();
  timer2_->stop();
  link_.CloseConnection();
  // Work in hand (an unpack, compressing the answer to the peer) stops at its next step and
  // removes its temporary files, so the program ends soon even when this runs inside it.
  receiver_.Reset();
  link_.CloseListener();
  if (portMapper_) portMapper_->Stop();
  if (gameFolderChooser_) gameFolderChooser_->Dismiss();
  if (savegameChooser_) savegameChooser_->close();
  close();
  if (ProgramEndHook) {
    ProgramEndHook();
  } else {
    QCoreApplication::exit(0);
  }
}
