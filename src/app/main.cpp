#include <QApplication>
#include <QFile>
#include <cstdio>
#include <cstring>

#include "app/main_window.h"
#include "core/app_paths.h"
#include "link/environment.h"
#include "link/startup.h"
#include "platform/game_installs.h"

int main(int argc, char** argv) {
  // For scripts/run: whether an installed game is found, answered without a
  // window (and so without a display).
  if (argc == 2 && std::strcmp(argv[1], "--has-game") == 0) {
    const Environment env = Environment::Default("");
    std::puts(FindGameDir(env.Installs()) != kNotFound ? "yes" : "no");
    return 0;
  }

  QApplication app(argc, argv);
  app.setApplicationName("Quib");
  MainWindow window(Environment::Default(
      QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString()));
  window.EndOnQuitSignals();
  window.Startup();
  window.show();
  return app.exec();
}
