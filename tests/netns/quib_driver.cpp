// The whole program for the namespace and cross-system tests: the real main window with the
// environment the program reads. Each address on standard input is typed into the four boxes
// and "Connect" clicked ("Accept" or "Refuse" answers the open link question instead;
// "click <button>" clicks a button by its design name; "choose <savegame>" picks one in the
// savegame chooser with "Ok"); SIGTERM ends it as closing the window does; each new status
// label is printed as "<background colour> <caption, lines joined by ' / '>[ ? <the open link
// question>]".
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"
#include "app/savegame_chooser.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  MainWindow window(Environment::Default(""));
  window.EndOnQuitSignals();
  window.Startup();
  window.show();  // the last window open: closing a chooser does not end the program
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  const auto click = [&](const QString& name) {
    if (auto* button = window.findChild<QPushButton*>(name))
      QTest::mouseClick(button, Qt::LeftButton);
  };
  const auto handle = [&](const QString& text) {
    if (auto* question = window.findChild<QMessageBox*>("LinkQuestion")) {
      for (QAbstractButton* button : question->buttons())
        if (button->text() == text) return button->click();
    }
    if (text.startsWith("click ")) return click(text.mid(6));
    if (text.startsWith("choose ")) {
      click("cmdCharacter");
      if (SavegameChooser* chooser = window.SavegameChooserWindow()) {
        auto* list = chooser->findChild<QListWidget*>("File1");
        list->setCurrentItem(list->findItems(text.mid(7), Qt::MatchExactly).value(0));
        chooser->Ok();
      }
      return;
    }
    const QStringList octets = text.split('.');
    for (int i = 0; i < 4 && i < octets.size(); ++i)
      window.findChild<QLineEdit*>(QString("Text%1").arg(i + 1))->setText(octets[i]);
    click("cmdConnect");
  };
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char lines[256] = {};
    if (read(STDIN_FILENO, lines, sizeof lines - 1) <= 0) return input.setEnabled(false);
    for (const QString& line : QString(lines).split('\n'))
      if (!line.trimmed().isEmpty()) handle(line.trimmed());
  });
  QString shown;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QString now = QString::number(window.Drop1BackColor()) + " " +
                  window.findChild<QLabel*>("Drop1")->text().replace("\r\n", " / ");
    const auto* question = window.findChild<QMessageBox*>("LinkQuestion");
    if (question && question->isVisible()) now += " ? " + question->text();
    if (now != shown) std::printf("%s\n", qPrintable(shown = now));
    std::fflush(stdout);
  });
  watch.start(50);
  return app.exec();
}
