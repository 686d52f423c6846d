#include "win/text_fit.h"

#include <commctrl.h>

#include "win/dpi.h"

namespace {

SIZE LineSize(HDC dc, const std::wstring& text) {
  SIZE size = {};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  size.cy = metrics.tmHeight;
  return size;
}

}  // namespace

bool TextFits(HWND control, ControlKind kind, const std::wstring& text, unsigned dpi) {
  if (kind == ControlKind::Outline || kind == ControlKind::Bar) return true;
  const ControlCanvas canvas(control);
  RECT room = {};
  GetClientRect(control, &room);
  SIZE need = LineSize(canvas.Dc(), text);
  switch (kind) {
    case ControlKind::StatusLabel: {
      RECT wrapped = {0, 0, room.right, 0};
      DrawTextW(canvas.Dc(), text.c_str(), static_cast<int>(text.size()), &wrapped,
                DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
      need = {wrapped.right, wrapped.bottom};
      break;
    }
    case ControlKind::Button: {
      // The face lies inside a raised frame of two edges; the text keeps the button's
      // margins from it.
      const int edgeX = 2 * SystemMetricAt(SM_CXEDGE, dpi);
      const int edgeY = 2 * SystemMetricAt(SM_CYEDGE, dpi);
      RECT margin = {};
      SendMessageW(control, BCM_GETTEXTMARGIN, 0, reinterpret_cast<LPARAM>(&margin));
      room.left += edgeX + margin.left;
      room.right -= edgeX + margin.right;
      room.top += edgeY + margin.top;
      room.bottom -= edgeY + margin.bottom;
      break;
    }
    case ControlKind::AddressBox: {
      // The text lies within the box's formatting rectangle; its line within the box.
      RECT format = {};
      SendMessageW(control, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
      room.left = format.left;
      room.right = format.right;
      break;
    }
    default:
      break;
  }
  return need.cx <= room.right - room.left && need.cy <= room.bottom - room.top;
}
