#include <gmock/gmock.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <map>
#include <set>

#include "app/savegame_chooser.h"
#include "app/window_fixture.h"
#include "support/tes3_writer.h"

namespace {

using namespace tes3;

struct ControlCase {
  const char* name;
  const char* text;  // nullptr: a control without text
  QRect place;       // pixels: design twips / 15
  bool shown;
};

QString TextOf(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
  return QString();
}

const char* const kSwitched[] = {"cmdConnect", "Text1",   "Text2",        "Text3",    "Text4",
                                 "Label3",     "Shape1",  "bar1",         "Label4",   "Shape2",
                                 "bar2",       "cmdPlay", "cmdCharacter", "Command1", "lblHelp",
                                 "Label1",     "Drop1"};

class WindowTest : public testing::Test {
 protected:
  QWidget* Control(const char* name) {
    QWidget* widget = window->findChild<QWidget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  std::set<std::string> Hidden() {
    std::set<std::string> hidden;
    for (const char* name : kSwitched) {
      if (Control(name)->isHidden()) hidden.insert(name);
    }
    return hidden;
  }
  QColor Background(const char* name) { return Control(name)->palette().color(QPalette::Window); }

  WindowWorld world;
  std::unique_ptr<MainWindow> window = world.MakeWindow();
};

// A design place in pixels, enlarged as the window's layout is.
int Scaled(int pixels, double scale) { return static_cast<int>(std::lround(pixels * scale)); }
QRect Scaled(const QRect& r, double scale) {
  return {Scaled(r.x(), scale), Scaled(r.y(), scale), Scaled(r.width(), scale),
          Scaled(r.height(), scale)};
}

TEST_F(WindowTest, ControlsHaveTheirDesignTextsPlacesVisibilityColoursAndFont) {
  const double s = window->LayoutScale();
  EXPECT_EQ(window->windowTitle(), "Quib!");
  EXPECT_EQ(window->size(), QSize(Scaled(313, s), Scaled(299, s)));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowFlags() &
               (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

  const ControlCase cases[] = {
      {"Label1", "Savegame", {16, 16, 89, 17}, true},
      {"cmdConnect", "Connect", {88, 8, 89, 17}, true},
      {"Text1", "192", {184, 8, 25, 19}, true},
      {"Text2", "168", {216, 8, 25, 19}, true},
      {"Text3", "1", {248, 8, 25, 19}, true},
      {"Text4", "100", {280, 8, 25, 19}, true},
      {"Drop1", "Select a Character to proceed.", {16, 32, 281, 73}, true},
      {"lblHelp", "?", {0, 80, 17, 25}, true},
      {"Command1", "Transplant!", {8, 120, 81, 17}, true},
      {"Label3", ".", {8, 176, 297, 17}, false},
      {"Shape1", nullptr, {8, 192, 297, 25}, false},
      {"bar1", nullptr, {8, 192, 9, 25}, false},
      {"cmdCharacter", "Select Character", {8, 184, 297, 33}, true},
      {"Label4", ".", {8, 232, 297, 17}, false},
      {"Shape2", nullptr, {8, 248, 297, 25}, false},
      {"bar2", nullptr, {8, 248, 9, 25}, false},
      {"cmdPlay", "Launch Kestrane", {8, 240, 297, 33}, true},
  };
  for (const ControlCase& c : cases) {
    QWidget* widget = Control(c.name);
    if (!widget) continue;
    if (c.text) {
      EXPECT_EQ(TextOf(widget), c.text) << c.name;
    }
    EXPECT_EQ(widget->geometry(), Scaled(c.place, s)) << c.name;
    EXPECT_EQ(!widget->isHidden(), c.shown) << c.name;
  }
  EXPECT_EQ(qobject_cast<QLabel*>(Control("Drop1"))->alignment(), Qt::AlignCenter);
  EXPECT_EQ(qobject_cast<QFrame*>(Control("Shape1"))->frameShape(), QFrame::Box);

  auto* timer1 = window->findChild<QTimer*>("Timer1");
  auto* timer2 = window->findChild<QTimer*>("Timer2");
  ASSERT_TRUE(timer1 && timer2);
  EXPECT_EQ(timer1->interval(), 100);
  EXPECT_EQ(timer2->interval(), 300);
  EXPECT_FALSE(timer1->isActive());
  EXPECT_FALSE(timer2->isActive());

  EXPECT_EQ(Background("Drop1"), QColor(255, 0, 0));
  EXPECT_EQ(window->Drop1BackColor(), 255);
  EXPECT_EQ(Background("lblHelp"), QColor(128, 0, 0));
  EXPECT_EQ(Control("lblHelp")->palette().color(QPalette::WindowText), QColor(255, 255, 0));
  EXPECT_EQ(Control("lblHelp")->font().family(), "MS Sans Serif");
  EXPECT_EQ(Control("lblHelp")->font().pointSizeF(), 13.5);
  EXPECT_EQ(Background("bar1"), QColor(0, 0, 255));
  EXPECT_EQ(Background("bar2"), QColor(0, 0, 255));

  // The stored value keeps blue in the high byte.
  const std::pair<int, QColor> colours[] = {
      {65535, QColor(255, 255, 0)}, {65280, QColor(0, 255, 0)}, {255, QColor(255, 0, 0)}};
  for (const auto& [value, colour] : colours) {
    window->SetDrop1BackColor(value);
    EXPECT_EQ(window->Drop1BackColor(), value);
    EXPECT_EQ(Background("Drop1"), colour) << value;
  }
}

TEST_F(WindowTest, FocusOrder) {
  window->show();
  std::vector<std::string> order;
  QWidget* start = Control("Command1");
  QWidget* widget = start;
  do {
    if ((widget->focusPolicy() & Qt::TabFocus) && widget->isVisibleTo(window.get())) {
      order.push_back(widget->objectName().toStdString());
    }
    widget = widget->nextInFocusChain();
  } while (widget != start && order.size() < 20);
  EXPECT_THAT(order, testing::ElementsAre("Command1", "cmdConnect", "Text1", "Text2", "Text3",
                                          "Text4", "cmdPlay", "cmdCharacter"));
}

TEST_F(WindowTest, StatesSwitchOnlyTheirControls) {
  const std::set<std::string> progress = {"Label3", "Shape1", "bar1", "Label4", "Shape2", "bar2"};
  const std::set<std::string> buttons = {"cmdCharacter", "cmdPlay"};
  const std::set<std::string> link = {"cmdConnect", "Text1", "Text2", "Text3", "Text4"};
  auto joined = [](std::set<std::string> a, const std::set<std::string>& b) {
    a.insert(b.begin(), b.end());
    return a;
  };
  auto* timer1 = window->findChild<QTimer*>("Timer1");
  window->SetLabel3("collecting");
  window->SetLabel4("file");
  window->SetBar1Width(900);

  struct Step {
    const char* name;
    void (MainWindow::*op)();
    std::set<std::string> hidden;
    bool timer1;
  };
  const Step steps[] = {
      {"busy", &MainWindow::BusyState, buttons, true},
      {"busy again", &MainWindow::BusyState, buttons, true},
      {"connected while busy", &MainWindow::ConnectedState, joined(buttons, link), true},
      {"idle", &MainWindow::IdleState, joined(progress, link), false},
      {"disconnected", &MainWindow::DisconnectedState, progress, false},
      {"connected while idle", &MainWindow::ConnectedState, joined(progress, link), false},
  };
  for (const Step& step : steps) {
    (window.get()->*step.op)();
    EXPECT_EQ(Hidden(), step.hidden) << step.name;
    EXPECT_EQ(timer1->isActive(), step.timer1) << step.name;
  }
  // Busy empties both captions but leaves the bars as they were.
  EXPECT_EQ(TextOf(Control("Label3")), "");
  EXPECT_EQ(TextOf(Control("Label4")), "");
  EXPECT_EQ(window->Bar1Width(), 900);
  EXPECT_EQ(Control("bar1")->width(), Scaled(60, window->LayoutScale()));
}

TEST_F(WindowTest, Timer1CopiesFileProgressIntoBar2) {
  window->SetFileProgress(2227.5);
  EXPECT_EQ(window->Bar2Width(), 135);  // stored only; the timer applies it
  window->BusyState();
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->Bar2Width() == 2227.5; }));
  EXPECT_EQ(Control("bar2")->width(), Scaled(149, window->LayoutScale()));
  window->SetFileProgress(-5);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->Bar2Width() == -5; }));
  EXPECT_EQ(Control("bar2")->width(), 0);
}

TEST_F(WindowTest, HelpBoxAndDefaultTitle) {
  window->show();
  QTest::mouseClick(Control("lblHelp"), Qt::LeftButton);
  window->ShowMessage("x", "", MessageIcon::Exclamation);
  ASSERT_EQ(world.Messages.size(), 2u);
  EXPECT_EQ(world.Messages[0].Text, "Send questions to quib@example.org");
  EXPECT_EQ(world.Messages[0].Title, "QUIB!");
  EXPECT_EQ(world.Messages[0].Icon, MessageIcon::Information);
  EXPECT_EQ(world.Messages[1].Title, "Quib");
}

TEST_F(WindowTest, RealMessageBoxCarriesTitleAndIconAndTakesInput) {
  window->MessageHook = nullptr;
  window->show();
  window->setEnabled(false);  // as while a chooser is open
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool enabled = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      title = box->windowTitle();
      icon = box->icon();
      enabled = box->isEnabled();
      box->accept();
    }
  });
  poll.start(10);
  window->ShowMessage("Morrowind was not found in the selected directory", "error",
                      MessageIcon::Exclamation);
  EXPECT_EQ(title, "error");
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_TRUE(enabled);
}

TEST_F(WindowTest, SelectCharacterOpensTheChooserOverADisabledWindow) {
  window->show();
  QTest::mouseClick(qobject_cast<QPushButton*>(Control("cmdCharacter")), Qt::LeftButton);
  ASSERT_NE(window->SavegameChooserWindow(), nullptr);
  EXPECT_FALSE(window->isEnabled());
  window->SavegameChooserWindow()->close();
  EXPECT_TRUE(window->isEnabled());
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
  for (const char* name : {"Label1", "cmdConnect", "Text1", "Text2", "Text3", "Text4", "Drop1",
                           "lblHelp", "Command1", "cmdCharacter", "cmdPlay"}) {
    ExpectWholeText(Control(name), TextOf(Control(name)));
  }
  for (const char* box : {"Text1", "Text4"}) ExpectWholeText(Control(box), "255");
  window->SetLabel3("Inspecting: Savegame");
  window->SetLabel4("Receiving character media list.");
  for (const char* name : {"Label3", "Label4"})
    ExpectWholeText(Control(name), TextOf(Control(name)));
  Npc opponent("play00");  // a name has at most 31 characters
  opponent.Name = "Gandalf the Grey of Vvardenfell";
  window->ShowOutcome({TransplantOutcome::Kind::Arrived, File({}, {NpcRecord(opponent)}), 0, 0});
  ExpectWholeText(Control("Drop1"), TextOf(Control("Drop1")));

  // A font as small as the design's keeps the design's places.
  const QFont usual = QApplication::font();
  QFont small = usual;
  small.setPixelSize(8);
  QApplication::setFont(small);
  const auto smallWindow = world.MakeWindow();
  QApplication::setFont(usual);
  EXPECT_EQ(smallWindow->LayoutScale(), 1.0);
  EXPECT_EQ(smallWindow->size(), QSize(313, 299));
}

}  // namespace
