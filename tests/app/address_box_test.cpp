#include "app/address_box.h"
#include "core/octet_text.h"

#include <gmock/gmock.h>

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

namespace {

// Text1..Text4 and Command1 in one window, wired as in the main window.
class Boxes : public testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window);
    for (int i = 0; i < 4; ++i) {
      layout->addWidget(box[i] = new AddressBox(&window));
      box[i]->setText(QString::number(100 + i));
      if (i > 0) box[i - 1]->SetSuccessor(box[i]);
    }
    layout->addWidget(command1);
    box[3]->SetSuccessor(command1);
    box[3]->SetEnterMovesFocus(true);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  // Keys go wherever the focus is at the moment, as a user's typing does.
  void Type(const QString& keys) {
    for (QChar c : keys) QTest::keyClicks(QApplication::focusWidget(), QString(c));
  }
  void Focus(QWidget* w) {
    w->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
  }

  QWidget window;
  AddressBox* box[4] = {};
  QPushButton* command1 = new QPushButton("Transplant!", &window);
};

// Focus selects the octet so typing replaces it; a full box or the main keyboard's period
// moves on, Enter only from the last box and without pressing anything; the keypad's decimal
// key neither moves on nor is typed.
TEST_F(Boxes, TypingMovesOnAndEnterPressesNothing) {
  QSignalSpy clicked(command1, &QPushButton::clicked);
  Focus(box[0]);
  EXPECT_EQ(box[0]->selectedText(), "100");
  Type("1921");
  EXPECT_EQ(box[0]->text(), "192");
  EXPECT_EQ(box[1]->selectedText(), "101");
  Type("10.7.");
  EXPECT_EQ(box[1]->text() + "|" + box[2]->text(), "10|7");
  Focus(box[3]);
  Type("5.");
  EXPECT_EQ(QApplication::focusWidget(), command1);
  Focus(box[3]);
  QTest::keyClick(box[3], Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), command1);
  EXPECT_EQ(clicked.count(), 0);

  Focus(box[1]);
  Type("1");
  QTest::keyClick(box[1], Qt::Key_Period, Qt::KeypadModifier);
  EXPECT_EQ(box[1]->text(), "1");
  EXPECT_EQ(QApplication::focusWidget(), box[1]);
  EXPECT_EQ(box[1]->cursorPosition(), 1);
}

// Pasted text keeps its number; leaving rounds it to an octet, and a box emptied by
// deleting shows 0.
TEST_F(Boxes, PastedTextKeepsItsNumberAndLeavingRoundsIt) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"192.168.1.100", "192.168", "192"},
      {"1.5", "1.5", "2"},
      {"19a", "19", "19"},
      {"300", "300", "0"},
      {"-0.5", "0", "0"}};
  for (const auto& [pasted, kept, left] : cases) {
    Focus(box[0]);
    QApplication::clipboard()->setText(pasted);
    box[0]->selectAll();
    QTest::keySequence(box[0], QKeySequence::Paste);
    EXPECT_EQ(box[0]->text(), kept) << pasted;
    EXPECT_EQ(box[0]->cursorPosition(), box[0]->text().size()) << pasted;
    Focus(box[2]);
    EXPECT_EQ(box[0]->text(), left) << pasted;
  }
  Focus(box[0]);
  box[0]->selectAll();
  QTest::keyClick(box[0], Qt::Key_Backspace);
  EXPECT_EQ(box[0]->text(), "0");
  EXPECT_EQ(box[0]->cursorPosition(), 1);
}

}  // namespace
