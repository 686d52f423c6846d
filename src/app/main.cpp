#include <QApplication>
#include <QFile>

#include "app/environment.h"
#include "app/main_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName("Quib");
  MainWindow window(Environment::Default(
      QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString()));
  window.Startup();
  window.show();
  return app.exec();
}
