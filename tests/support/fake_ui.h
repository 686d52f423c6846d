#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/peer_sender.h"
#include "core/ui.h"

// Records everything the logic shows, for assertions without a window.
class FakeUi : public Ui {
 public:
  struct Message {
    std::string Text, Title;
    MessageIcon Icon;
  };

  void IdleState() override { States.push_back("Idle"); }
  void BusyState() override { States.push_back("Busy"); }
  void ConnectedState() override { States.push_back("Connected"); }
  void DisconnectedState() override { States.push_back("Disconnected"); }
  void SetLabel3(const std::string& text) override { Label3.push_back(text); }
  void SetLabel4(const std::string& text) override { Label4.push_back(text); }
  double Shape1Width() const override { return 4455; }
  double Shape2Width() const override { return 4455; }
  void SetBar1Width(double twips) override { Bar1.push_back(twips); }
  void SetFileProgress(double twips) override { FileProgress.push_back(twips); }
  int Drop1BackColor() const override { return Drop1Color; }
  void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
    Messages.push_back({text, title, icon});
  }
  void ShowOutcome(const TransplantOutcome& outcome) override { Outcomes.push_back(outcome); }
  void OpenSavegameChooser() override { ++ChooserOpened; }
  void YieldToEventLoop() override {
    ++Yields;
    if (OnYield) OnYield();
  }

  std::vector<std::string> States, Label3, Label4;
  std::vector<double> Bar1, FileProgress;
  std::vector<Message> Messages;
  std::vector<TransplantOutcome> Outcomes;
  int Drop1Color = 65280, ChooserOpened = 0, Yields = 0;
  std::function<void()> OnYield;
};

// Collects what the logic sends to the peer.
class FakePeer : public PeerSender {
 public:
  bool IsConnected() const override { return Connected; }
  void Send(const ByteString& bytes) override {
    if (Connected) Sent.push_back(bytes);
  }
  ByteString AllSent() const {
    ByteString all;
    for (const auto& s : Sent) all += s;
    return all;
  }

  bool Connected = true;
  std::vector<ByteString> Sent;
};
