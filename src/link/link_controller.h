#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/accept_policy.h"
#include "link/address_page.h"
#include "link/peer_connection.h"
#include "platform/port_mapping.h"

struct AppPaths;
struct Environment;
struct RelayTables;
class Receiver;
class Ui;

// What the link needs of the main window beyond Ui.
class LinkView {
 public:
  virtual ~LinkView() = default;
  virtual void SetDrop1BackColor(int color) = 0;  // 65535 yellow, 65280 green
  virtual void SetDrop1Caption(const std::string& caption) = 0;
  virtual std::string AddressBoxText(int box) const = 0;  // box 1..4: Text1..Text4
  virtual void EnableTimer2() = 0;
  // Asks the player, without waiting for the answer, whether a stranger may link: `question`
  // with "Accept" and "Refuse". The answer goes to LinkController::AnswerLinkQuestion; closing
  // the question refuses. A new question replaces an open one.
  virtual void AskToLink(const std::string& question) = 0;
  // Closes the open question unanswered.
  virtual void CloseLinkQuestion() = 0;
  // Calls LinkController::CheckQuestion once after `delay`, in place of an earlier such call
  // still to come.
  virtual void CheckQuestionAfter(std::chrono::milliseconds delay) = 0;
  // Runs `task` on the window's thread, from its event loop.
  virtual void RunOnWindowThread(std::function<void()> task) = 0;
};

// The peer link's behaviour in the main window: StartServer, the "Connect" command and the
// connection events, with the status label, Opponent.dat and the remotepc link word.
class LinkController : public LinkEvents {
 public:
  LinkController(PeerConnection& link, LinkView& view, Ui& ui, const Environment& env,
                 AppPaths& paths, RelayTables& relay, Receiver& receiver);
  ~LinkController() override;

  // Listens on every interface at localPort; localIP (empty = LocalAddress) is the address
  // shown and forwarded to. The external address shown is asked of the address page once per
  // listen, without waiting; the answer shows when it comes. When it cannot listen: false,
  // the label red with the reason and the remotepc word 0.
  bool StartServer(int32_t& localPort, std::string& localIP);

  // Asked at every listener start to have the router forward the port to this machine (the
  // address it reaches the router from).
  std::function<void(uint16_t port)> MapPort;
  // What the router answered; shown while listening.
  void ShowRouterReport(const PortMapReport& report);

  // Click handler of "Connect".
  void Connect();

  // The player's answer to the question AskToLink put.
  void AnswerLinkQuestion(bool accept);
  // Who may link over an incoming connection.
  AcceptPolicy& Policy() { return policy_; }

  // Refuses the waiting stranger whose time is up, or waits for the time.
  void CheckQuestion();

  // The local address the listener binds to; empty = all interfaces.
  std::string LocalAddress;

  void OnConnectionRequest(uint64_t request) override;
  void OnConnected() override;
  void OnClosed() override;
  void OnError() override;
  void OnSendProgress(int64_t sent, int64_t remaining) override;

 private:
  void LinkWith(uint64_t request);
  // The question and its stranger go: the listener closes or a link starts.
  void DropQuestion();
  // The last peer's address (Opponent.dat) and the one in the address boxes.
  std::vector<IPv4> KnownPeers() const;
  std::string ProgramFolder() const;
  void OnPageAnswer(uint64_t listen, const std::string& answer);

  // The yellow label with "Please establish connection with Peer", the external and the
  // local address.
  void ShowCaption();
  // The green label, Opponent.dat, Timer2 and the remotepc word of a new connection.
  void WriteOpponent();
  // Writes the first four bytes of remotepc, if the game's MWSE folder exists.
  void WriteLinkWord(int32_t value);
  int32_t PeerPort() const;

  // The four address boxes joined by dots.
  std::string BoxesAddress() const;

  PeerConnection& link_;
  LinkView& view_;
  Ui& ui_;
  const Environment& env_;
  AppPaths& paths_;
  RelayTables& relay_;
  Receiver& receiver_;
  std::string pageExternal_;  // the address page's latest answer
  uint64_t listens_ = 0;      // numbers the listens, so an answer for an earlier one is dropped
  AddressPageFetcher page_;
  std::optional<PortMapReport> router_;
  AcceptPolicy policy_;
};
