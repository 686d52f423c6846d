#pragma once

#include <QString>
#include <QWidget>

class QPushButton;
class QTimer;

// What the two chooser windows share: "Ok" and "Cancel", which the resize rule keeps in the
// lower right corner, and Timer1, which brings the window to the front once, 200 ms after it
// opens (the main window may have covered it). The window deletes itself when closed.
class ChooserWindow : public QWidget {
  Q_OBJECT

 public:
  // The first inner size and the lowest height the window may be made, in twips.
  ChooserWindow(const QString& objectName, const QString& caption, double width, double height,
                double leastHeight, QWidget* parent);

 protected:
  // Places the window's list for a window of the given inner size (twips).
  virtual void PlaceList(double width, double height) = 0;

  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

  QPushButton* cmdOk_;
  QPushButton* cmdCancel_;
  QTimer* timer1_;

 private:
  bool timerStarted_ = false;
};
