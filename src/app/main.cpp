#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName("Quib");
  QLabel label("Quib!");
  label.show();
  return app.exec();
}
