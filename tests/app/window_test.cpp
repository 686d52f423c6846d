#include <gmock/gmock.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <set>

#include "app/window_fixture.h"
#include "fixtures/tes3_writer.h"
#include "front/main_window_design.h"
#include "support/watched_fifo.h"

namespace {

using Names = std::set<std::string>;
using namespace tes3;

class WindowTest : public testing::Test {
 protected:
  QWidget* Control(const char* name) { return window->findChild<QWidget*>(name); }
  void Click(const char* name) { QTest::mouseClick(Control(name), Qt::LeftButton); }

  WindowWorld world;
  std::unique_ptr<MainWindow> window = world.MakeWindow();
};

TEST_F(WindowTest, StatesSwitchOnlyTheirControls) {
  const Names progress = {"Label3", "Shape1", "bar1", "Label4", "Shape2", "bar2"},
              buttons = {"cmdCharacter", "cmdPlay"},
              link = {"cmdConnect", "Text1", "Text2", "Text3", "Text4"};
  auto joined = [](Names a, const Names& b) {
    a.insert(b.begin(), b.end());
    return a;
  };
  auto hidden = [&] {
    Names shown;
    for (const std::string& name : joined(joined(progress, buttons),
                                          joined(link, {"Command1", "lblHelp", "Label1", "Drop1"})))
      if (Control(name.c_str())->isHidden()) shown.insert(name);
    return shown;
  };
  auto* timer1 = window->findChild<QTimer*>("Timer1");
  const std::tuple<const char*, void (MainWindowLogic::*)(), Names, bool> steps[] = {
      {"busy", &MainWindowLogic::BusyState, buttons, true},
      {"connected while busy", &MainWindowLogic::ConnectedState, joined(buttons, link), true},
      {"idle", &MainWindowLogic::IdleState, joined(progress, link), false},
      {"disconnected", &MainWindowLogic::DisconnectedState, progress, false},
      {"connected while idle", &MainWindowLogic::ConnectedState, joined(progress, link), false},
  };
  for (const auto& [name, op, expected, timerOn] : steps) {
    (window->Logic().*op)();
    EXPECT_EQ(hidden(), expected) << name;
    EXPECT_EQ(timer1->isActive(), timerOn) << name;
  }
}

// The logic goes on while a box is open, a peer repeating a fault cannot pile them up, and
// markup in a text shows as typed: the image it names is not loaded.
TEST_F(WindowTest, MessageBoxesAreLeftOpenAndDoNotPileUp) {
  WatchedFifo fifo;
  ASSERT_TRUE(fifo.Watch.joinable());
  window->MessageHook = nullptr;
  window->show();
  window->setEnabled(false);  // as while a chooser is open
  for (int i = 0; i < 1000; ++i)
    window->Logic().ShowMessage(
        i % 2 ? fifo.Markup() + " was not found" : "Damaged " + std::to_string(i), "error",
        MessageIcon::Exclamation);
  int open = 0;
  for (QWidget* top : QApplication::topLevelWidgets())
    open += qobject_cast<QMessageBox*>(top) && top->isVisible();
  EXPECT_GE(open, 1);
  EXPECT_LE(open, 10);
  // The newest is where the player can answer it.
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  ASSERT_TRUE(box);
  box->grab();  // laid out and painted now
  EXPECT_EQ(fifo.Readers, 0);
  EXPECT_EQ(box->windowTitle(), "error");
  EXPECT_EQ(box->icon(), QMessageBox::Warning);
  EXPECT_TRUE(box->isEnabled());
}

// The character's name comes in the game's 8-bit code page; the outcome covers the link text
// until the player acts again.
TEST_F(WindowTest, AnOutcomeShowsTheNameAndGivesWayToTheNextClick) {
  Npc opponent("play00");
  opponent.Name = "R\xE9my";
  window->Logic().ShowOutcome({TransplantOutcome::Kind::Arrived, File({}, {NpcRecord(opponent)})});
  const auto drop1 = [this] { return static_cast<QLabel*>(Control("Drop1"))->text(); };
  EXPECT_TRUE(drop1().startsWith(QString::fromUtf8("R\u00E9my arrived"))) << drop1().toStdString();
  Click("lblHelp");
  EXPECT_EQ(drop1().toStdString(), window->Logic().LinkCaption());
}

TEST_F(WindowTest, ClosingTheWindowEndsTheProgramAndItsListener) {
  window->Startup();
  window->show();
  ASSERT_TRUE(window->Link().IsListening());
  window->close();
  EXPECT_EQ(world.ProgramEnds, 1);
  EXPECT_FALSE(window->Link().IsListening());
}

// Measured with the controls' own fonts: each text's width and height within the room the
// control leaves inside its frame (a line edit keeps 2 more pixels free on each side).
void ExpectWholeText(QWidget* control, const QString& text) {
  const QFontMetrics metrics = control->fontMetrics();
  const int frame = control->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, control);
  QRect room = control->rect().adjusted(frame, frame, -frame, -frame);
  QRect need(0, 0, metrics.horizontalAdvance(text), metrics.height());
  if (auto* label = qobject_cast<QLabel*>(control)) {
    room = label->contentsRect();
    const int wrap = label->wordWrap() ? Qt::TextWordWrap : 0;
    need = metrics.boundingRect(QRect(0, 0, room.width(), 10000), wrap, text);
  } else if (qobject_cast<QLineEdit*>(control)) {
    room.adjust(2, 0, -2, 0);
  }
  EXPECT_TRUE(need.width() <= room.width() && need.height() <= room.height())
      << control->objectName().toStdString() << ": " << text.toStdString();
}

// Run at the platform's default font and again at QT_SCALE_FACTOR 1.5 and 2 (CTest).
TEST_F(WindowTest, EveryControlShowsItsWholeText) {
  for (const ControlDesign& design : MainWindowControls())
    for (const std::string& text : TextsShownBy(design.Id, window->Logic().LinkCaption()))
      ExpectWholeText(Control(design.Name), QString::fromStdString(text));
}

}  // namespace
