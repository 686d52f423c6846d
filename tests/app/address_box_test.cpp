#include "app/address_box.h"
#include "core/leading_number.h"
#include "core/octet_text.h"

#include <gmock/gmock.h>

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <cfloat>

namespace {

// Text1..Text4 and Command1 in one window, wired as in the main window.
class Boxes : public testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&window);
    for (int i = 0; i < 4; ++i) {
      box[i] = new AddressBox(&window);
      layout->addWidget(box[i]);
    }
    command1 = new QPushButton("Transplant!", &window);
    layout->addWidget(command1);
    for (int i = 0; i < 3; ++i) box[i]->SetSuccessor(box[i + 1]);
    box[3]->SetSuccessor(command1);
    box[3]->SetEnterMovesFocus(true);
    const char* design[] = {"192", "168", "1", "100"};
    for (int i = 0; i < 4; ++i) box[i]->setText(design[i]);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  // Keys go wherever the focus is at the moment, as a user's typing does.
  void Type(const QString& keys) {
    for (QChar c : keys) {
      if (c == '.') {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Period, Qt::NoModifier);
      } else {
        QTest::keyClicks(QApplication::focusWidget(), QString(c));
      }
    }
  }

  void Focus(QWidget* w) {
    w->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
  }

  void Paste(AddressBox* b, const QString& text) {
    Focus(b);
    QApplication::clipboard()->setText(text);
    b->selectAll();
    QTest::keySequence(b, QKeySequence::Paste);
  }

  QWidget window;
  AddressBox* box[4] = {};
  QPushButton* command1 = nullptr;
};

TEST_F(Boxes, FocusSelectsTheOctetSoTypingReplacesIt) {
  Focus(box[0]);
  EXPECT_EQ(box[0]->selectedText(), "192");
  Type("1921");
  EXPECT_EQ(box[0]->text(), "192");
  EXPECT_EQ(QApplication::focusWidget(), box[1]);
  EXPECT_EQ(box[1]->selectedText(), "168");
}

TEST_F(Boxes, MainKeyboardPeriodMovesOnAndVanishesKeypadDecimalDoesNothing) {
  Focus(box[1]);
  Type("10.");
  EXPECT_EQ(box[1]->text(), "10");
  EXPECT_EQ(QApplication::focusWidget(), box[2]);
  Type("7.");
  EXPECT_EQ(box[2]->text(), "7");
  EXPECT_EQ(QApplication::focusWidget(), box[3]);
  Type("5.");
  EXPECT_EQ(QApplication::focusWidget(), command1);

  // The keypad's decimal key neither moves on nor is typed.
  Focus(box[1]);
  Type("1");
  QTest::keyClick(box[1], Qt::Key_Period, Qt::KeypadModifier);
  EXPECT_EQ(box[1]->text(), "1");
  EXPECT_EQ(QApplication::focusWidget(), box[1]);
  EXPECT_EQ(box[1]->cursorPosition(), 1);
}

TEST_F(Boxes, PastedTextKeepsItsNumberAndLeavingRoundsIt) {
  struct Case {
    const char* Pasted;
    const char* Kept;
    const char* Left;
  } cases[] = {
      {"192.168.1.100", "192.168", "192"},
      {"1.5", "1.5", "2"},
      {"19a", "19", "19"},
      {"300", "300", "0"},
      {"-0.5", "0", "0"},
  };
  for (const Case& c : cases) {
    Paste(box[0], c.Pasted);
    EXPECT_EQ(box[0]->text(), c.Kept) << c.Pasted;
    EXPECT_EQ(box[0]->cursorPosition(), box[0]->text().size()) << c.Pasted;
    Focus(box[2]);
    EXPECT_EQ(box[0]->text(), c.Left) << c.Pasted;
  }
}

TEST_F(Boxes, TypingThreeHundredAndLeavingOrDeletingEverythingGivesZero) {
  Focus(box[2]);
  Type("300");
  QTest::keyClick(box[2], Qt::Key_Tab);
  EXPECT_EQ(box[2]->text(), "0");
  EXPECT_EQ(QApplication::focusWidget(), box[3]);

  Focus(box[0]);
  box[0]->selectAll();
  QTest::keyClick(box[0], Qt::Key_Backspace);
  EXPECT_EQ(box[0]->text(), "0");
  EXPECT_EQ(box[0]->cursorPosition(), 1);
}

TEST_F(Boxes, EnterMovesOnlyFromTheLastBoxAndPressesNothing) {
  QSignalSpy clicked(command1, &QPushButton::clicked);
  for (int i = 0; i < 3; ++i) {
    Focus(box[i]);
    QTest::keyClick(box[i], Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), box[i]);
  }
  Focus(box[3]);
  QTest::keyClick(box[3], Qt::Key_Return);
  EXPECT_EQ(QApplication::focusWidget(), command1);
  EXPECT_EQ(clicked.count(), 0);
}

TEST(NumberReading, LeadingNumberAndItsText) {
  struct Case {
    const char* Text;
    double Value;
    const char* Canonical;
  } cases[] = {
      {"", 0, "0"},
      {" 12abc", 12, "12"},
      {"019", 19, "19"},
      {".5", 0.5, "0.5"},
      {"1.5.3", 1.5, "1.5"},
      {"1e2", 100, "100"},
      {"2E-1x", 0.2, "0.2"},
      {"0x10", 0, "0"},
      {"-7.25", -7.25, "-7.25"},
      {"1e999", HUGE_VAL, "1.79769313486232e+308"},
      {"1e-999", 0, "0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadLeadingNumber(c.Text), c.Value) << c.Text;
    EXPECT_EQ(NumberText(ReadLeadingNumber(c.Text)), c.Canonical) << c.Text;
  }
}

TEST(NumberReading, LeavingClampsToAnOctet) {
  std::pair<const char*, const char*> cases[] = {
      {"255", "255"},   {"255.4", "0"}, {"256", "0"},  {"0.5", "0"},  {"1.5", "2"},  {"2.5", "2"},
      {"254.5", "254"}, {"-0.4", "0"},  {"-0.5", "0"}, {"-0.6", "0"}, {"-300", "0"}, {"1e999", "0"},
  };
  for (const auto& [text, clamped] : cases) EXPECT_EQ(ClampedOctetText(text), clamped) << text;
}

}  // namespace
