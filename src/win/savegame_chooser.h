#pragma once

#include <functional>
#include <string>

#include "front/chooser_design.h"
#include "win/dpi.h"
#include "win/own_window.h"

class Ui;

// The savegame chooser (Form3): the "*.ess" files of GameDir\Saves\ in a list. "Ok" on a
// selected file or a double-click hands the listed name (UTF-8) to `onChosen` and closes;
// "Cancel" closes. Every way out, closing through the frame included, calls `onClosed`;
// destroying the object closes the window unheard. Messages go through `ui`.
class SavegameChooser : public OwnWindow {
 public:
  // `scale`: the main window's layout scale, which the chooser's design is enlarged by too.
  SavegameChooser(HWND owner, Ui& ui, const std::string& gameDir, double scale,
                  std::function<void(const std::string& name)> onChosen,
                  std::function<void()> onClosed);

  HWND List() const { return file1_; }
  void Ok();

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  int Pixels(double twips) const;
  double Twips(int pixels) const;
  void SetDpi(unsigned dpi);
  void Place(HWND control, const TwipsRect& place) const;
  // Places the controls for an inner area of `width` by `height` pixels.
  void PlaceControls(int width, int height);
  void Choose(int row);
  void Close();

  Ui& ui_;
  std::function<void(const std::string&)> onChosen_;
  std::function<void()> onClosed_;
  double scale_;
  unsigned dpi_ = kBaseDpi;
  GdiObject<HFONT> font_;
  HWND file1_ = nullptr, cmdOk_ = nullptr, cmdCancel_ = nullptr;
};
