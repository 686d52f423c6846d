#include <gmock/gmock.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <set>

#include "app/savegame_chooser.h"
#include "app/window_fixture.h"

namespace {

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

  WindowWorld world;
  std::unique_ptr<MainWindow> window = world.MakeWindow();
};

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
  EXPECT_EQ(qobject_cast<QLabel*>(Control("Label3"))->text(), "");
  EXPECT_EQ(qobject_cast<QLabel*>(Control("Label4"))->text(), "");
  EXPECT_EQ(window->Bar1Width(), 900);
}

TEST_F(WindowTest, Timer1CopiesFileProgressIntoBar2) {
  window->SetFileProgress(2227.5);
  const double before = window->Bar2Width();
  EXPECT_NE(before, 2227.5);  // stored only; the timer applies it
  window->BusyState();
  EXPECT_TRUE(QTest::qWaitFor([&] { return window->Bar2Width() == 2227.5; }));
  EXPECT_GT(Control("bar2")->width(), 0);
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
  QElapsedTimer waited;
  waited.start();
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (waited.elapsed() > 5000) {  // the box never showed up where a player could answer it
      for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(top)) box->reject();
      }
      ADD_FAILURE() << "no message box to answer";
      return;
    }
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

TEST_F(WindowTest, ClosingTheWindowEndsTheProgramAndItsListener) {
  window->Startup();
  window->show();
  ASSERT_TRUE(window->Link().IsListening());
  window->close();
  EXPECT_EQ(world.ProgramEnds, 1);
  EXPECT_FALSE(window->Link().IsListening());
}

TEST_F(WindowTest, SelectCharacterOpensTheChooserOverADisabledWindow) {
  window->show();
  QTest::mouseClick(qobject_cast<QPushButton*>(Control("cmdCharacter")), Qt::LeftButton);
  ASSERT_NE(window->SavegameChooserWindow(), nullptr);
  EXPECT_FALSE(window->isEnabled());
  window->SavegameChooserWindow()->close();
  EXPECT_TRUE(window->isEnabled());
}

}  // namespace
