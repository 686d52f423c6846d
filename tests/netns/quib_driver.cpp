// One whole program for the tests across network namespaces: the real main window with the
// environment the program itself reads (WINEPREFIX, QUIB_PROGRAM_DIR, QUIB_PORT, ...).
// Standard input takes commands, one a line:
//   connect A.B.C.D   types the address into the four boxes and clicks "Connect"
// SIGTERM ends it as closing the window does. Each change of the status label is printed as
// "<background colour> <caption, lines joined by ' / '>".
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/main_window.h"

namespace {

void Run(MainWindow& window, const QString& line) {
  const QStringList words = line.split(' ', Qt::SkipEmptyParts);
  if (words.size() != 2 || words[0] != "connect") return;
  const QStringList octets = words[1].split('.');
  for (int i = 0; i < 4 && i < octets.size(); ++i)
    window.findChild<QLineEdit*>(QString("Text%1").arg(i + 1))->setText(octets[i]);
  QTest::mouseClick(window.findChild<QPushButton*>("cmdConnect"), Qt::LeftButton);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  MainWindow window(Environment::Default(
      QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString()));
  window.EndOnQuitSignals();
  window.Startup();
  window.show();

  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QByteArray pending;
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char bytes[256];
    const ssize_t n = read(STDIN_FILENO, bytes, sizeof bytes);
    if (n <= 0) return input.setEnabled(false);
    pending.append(bytes, n);
    for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
      Run(window, QString::fromUtf8(pending.left(end)));
  });

  const auto* drop1 = window.findChild<QLabel*>("Drop1");
  QString shown;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    const QString now = QString::number(window.Drop1BackColor()) + " " +
                        QString(drop1->text()).replace("\r\n", " / ");
    if (now == shown) return;
    shown = now;
    std::printf("%s\n", qPrintable(now));
    std::fflush(stdout);
  });
  watch.start(50);
  return app.exec();
}
