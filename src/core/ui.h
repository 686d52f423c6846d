#pragma once

#include <cstdint>
#include <string>

#include "core/byte_string.h"

// The icons a message box can carry.
enum class MessageIcon { None, Information, Exclamation, Critical };

// How a transplant ended on this side.
struct TransplantOutcome {
  enum class Kind { Sent, Arrived, NothingWritten };
  Kind What = Kind::NothingWritten;
  ByteString Plugin;  // the arena plug-in that went out or was written
  int Files = 0;      // files that went out, arena.esp included
  int64_t Bytes = 0;  // their size before compression
};

// What the logic below app/ needs of the main window. The window implements it with
// widgets; tests implement it with a recorder.
class Ui {
 public:
  virtual ~Ui() = default;

  // The four display states of the main window.
  virtual void IdleState() = 0;
  virtual void BusyState() = 0;
  virtual void ConnectedState() = 0;
  virtual void DisconnectedState() = 0;

  // Captions over the two progress bars.
  virtual void SetLabel3(const std::string& text) = 0;
  virtual void SetLabel4(const std::string& text) = 0;

  // Progress, in twips of the progress frames. bar1 is set directly; FileProgress is stored
  // and copied into bar2 by the 100 ms timer.
  virtual double Shape1Width() const = 0;
  virtual double Shape2Width() const = 0;
  virtual void SetBar1Width(double twips) = 0;
  virtual void SetFileProgress(double twips) = 0;

  // Background colour of the status label as stored (blue in the high byte): 65280 while a
  // peer is connected.
  virtual int Drop1BackColor() const = 0;

  // A message box, shown without waiting for it to be closed. An empty title means the
  // program's default title.
  virtual void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;

  // Says how a transplant ended, in the status label, until the user's next action.
  virtual void ShowOutcome(const TransplantOutcome& outcome) = 0;

  // Disables the main window and opens the savegame chooser.
  virtual void OpenSavegameChooser() = 0;

  // Lets the window process pending events (repaint, sockets, timers). Implementations
  // may rate-limit it.
  virtual void YieldToEventLoop() = 0;
};
