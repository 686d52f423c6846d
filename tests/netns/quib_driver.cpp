// The whole program for the namespace tests: the real main window with the environment the
// program reads. Each address on standard input is typed into the four boxes and "Connect"
// clicked ("Accept" or "Refuse" answers the open link question instead); SIGTERM ends it as
// closing the window does; each new status label is printed as
// "<background colour> <caption, lines joined by ' / '>[ ? <the open link question>]".
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  MainWindow window(Environment::Default(""));
  window.EndOnQuitSignals();
  window.Startup();
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char line[64] = {};
    if (read(STDIN_FILENO, line, sizeof line - 1) <= 0) return input.setEnabled(false);
    const QString text = QString(line).trimmed();
    if (auto* question = window.findChild<QMessageBox*>("LinkQuestion")) {
      for (QAbstractButton* button : question->buttons())
        if (button->text() == text) return button->click();
    }
    const QStringList octets = text.split('.');
    for (int i = 0; i < 4 && i < octets.size(); ++i)
      window.findChild<QLineEdit*>(QString("Text%1").arg(i + 1))->setText(octets[i]);
    QTest::mouseClick(window.findChild<QPushButton*>("cmdConnect"), Qt::LeftButton);
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
