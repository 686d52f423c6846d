#include <gmock/gmock.h>

#include <QApplication>

// Window tests run real widgets; they need one application object for the whole program.
int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  app.setApplicationName("Quib");
  testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
