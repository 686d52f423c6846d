#include "app/address_box.h"

#include <gmock/gmock.h>

#include <QApplication>
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
// moves on, Enter only from the last box and without pressing anything.
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
}

}  // namespace
