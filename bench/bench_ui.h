#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "core/ui.h"

// A stand-in main window for benchmarks. Nothing is shown; YieldToEventLoop behaves like the
// window's: it "processes events" (runs OnYield) at most every 20 ms, so the logic pays what
// it pays in the program.
class BenchUi : public Ui {
 public:
  void IdleState() override {}
  void BusyState() override {}
  void ConnectedState() override {}
  void DisconnectedState() override {}
  void SetLabel3(const std::string&) override {}
  void SetLabel4(const std::string&) override {}
  double Shape1Width() const override { return 4455; }
  double Shape2Width() const override { return 4455; }
  void SetBar1Width(double) override {}
  void SetFileProgress(double) override {}
  int Drop1BackColor() const override { return 65280; }
  void ShowMessage(const std::string& text, const std::string&, MessageIcon) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  void ShowOutcome(const TransplantOutcome&) override {}
  void OpenSavegameChooser() override {}
  void YieldToEventLoop() override {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(20)) return;
    last_ = now;
    if (OnYield) OnYield();
  }

  // What "processing events" means in a benchmark (delivering socket data, say).
  std::function<void()> OnYield;

 private:
  std::chrono::steady_clock::time_point last_;
};
