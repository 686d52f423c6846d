#include "link/link_controller.h"

#include <filesystem>

#include "bridge/relay_tables.h"
#include "core/app_paths.h"
#include "core/octet_text.h"
#include "core/ui.h"
#include "link/address_discovery.h"
#include "link/environment.h"
#include "link/startup.h"
#include "net/bytes.h"
#include "net/receiver.h"
#include "platform/files.h"
#include "platform/game_path.h"
#include "platform/path_text.h"

namespace {

constexpr int kRed = 255;
constexpr int kYellow = 65535;
constexpr int kGreen = 65280;

// One short line on whether the router forwards the port.
std::string RouterLine(const PortMapReport& report) {
  const std::string port = std::to_string(report.Port);
  switch (report.Result) {
    case PortMapReport::Outcome::Open:
      return "Port " + port + " is open on the router.";
    case PortMapReport::Outcome::Refused:
      return "The router refused to open port " + port + " (" + report.Reason + ").";
    case PortMapReport::Outcome::NoRouter:
      break;
  }
  return "No router answered; port " + port + " is not forwarded.";
}

}  // namespace

LinkController::LinkController(PeerConnection& link, LinkView& view, Ui& ui, const Environment& env,
                               AppPaths& paths, RelayTables& relay, Receiver& receiver)
    : link_(link),
      view_(view),
      ui_(ui),
      env_(env),
      paths_(paths),
      relay_(relay),
      receiver_(receiver),
      page_([this](uint64_t listen, const std::string& answer) {
        // The page answers on the fetcher's thread; the label changes on this one.
        view_.RunOnWindowThread([this, listen, answer] { OnPageAnswer(listen, answer); });
      }) {
  link_.SetEvents(this);
  link_.SetArrivalHandler([this](const ByteString& data) { receiver_.ProcessArrival(data); });
}

LinkController::~LinkController() {
  link_.SetEvents(nullptr);
  link_.SetArrivalHandler(nullptr);
}

int32_t LinkController::PeerPort() const { return env_.PeerPort; }

bool LinkController::StartServer(int32_t& localPort, std::string& localIP) {
  if (localIP.empty()) localIP = LocalAddress;
  if (localPort < 0 || localPort > 65535) return false;
  DropQuestion();  // the listener's waiting connections close with it
  // Every interface, so that a peer on any of the machine's networks reaches it; localIP is
  // only the address shown and forwarded to.
  if (!link_.Listen(std::string(), static_cast<uint16_t>(localPort))) {
    // Never green over a dead link, never silent about a listener that is gone.
    view_.SetDrop1BackColor(kRed);
    view_.SetDrop1Caption("Cannot listen on port " + std::to_string(localPort) + ": " +
                          link_.ListenError());
    WriteLinkWord(0);
    return false;
  }
  view_.SetDrop1BackColor(kYellow);
  ShowCaption();
  page_.Request(++listens_, [env = env_] { return GetExternalAddress(env); });
  WriteLinkWord(0);
  ui_.IdleState();
  // Each new peer connection registers its relay keys afresh.
  relay_.VarNameCount = 0;
  relay_.OutVarCount = 0;
  if (MapPort) MapPort(static_cast<uint16_t>(localPort));
  return true;
}

void LinkController::ShowRouterReport(const PortMapReport& report) {
  router_ = report;
  if (link_.IsListening()) ShowCaption();  // never over "Connected to Peer" or a failure
}

void LinkController::OnPageAnswer(uint64_t listen, const std::string& answer) {
  if (listen != listens_) return;
  pageExternal_ = answer.substr(0, answer.find('<'));
  if (link_.IsListening()) ShowCaption();  // never over "Connected to Peer" or a failure
}

void LinkController::ShowCaption() {
  // The router knows its public address better than a web page does.
  const std::string& external =
      router_ && !router_->ExternalAddress.empty() ? router_->ExternalAddress : pageExternal_;
  const std::string local = LocalAddress.empty() ? PrimaryAddress(env_) : LocalAddress;
  std::string caption =
      "Please establish connection with Peer\r\nYour external IP is: " + external +
      "\r\nYour LAN IP is: " + local;
  if (router_) caption += "\r\n" + RouterLine(*router_);
  view_.SetDrop1Caption(caption);
}

void LinkController::Connect() {
  LocalAddress = ChooseLocalAddress(env_, pageExternal_);
  int32_t port = PeerPort();
  StartServer(port, LocalAddress);
  link_.CloseConnection();
  link_.Dial(BoxesAddress(), env_.DialPort != 0 ? env_.DialPort : env_.PeerPort);
}

std::string LinkController::BoxesAddress() const {
  return view_.AddressBoxText(1) + "." + view_.AddressBoxText(2) + "." + view_.AddressBoxText(3) +
         "." + view_.AddressBoxText(4);
}

void LinkController::OnConnectionRequest(uint64_t request) {
  const std::optional<IPv4> from = link_.RequestAddress(request);
  if (!from) return;
  const AcceptPolicy::Decision decision =
      policy_.Incoming(request, *from, KnownPeers(), AcceptPolicy::Clock::now());
  if (decision.Dropped) {
    link_.Refuse(*decision.Dropped);
    view_.CloseLinkQuestion();
  }
  switch (decision.What) {
    case AcceptPolicy::Verdict::Link:
      return LinkWith(request);
    case AcceptPolicy::Verdict::Ask:
      view_.AskToLink(AddressToText(*from) + " wants to link with you.");
      return CheckQuestion();
    case AcceptPolicy::Verdict::Refuse:
      return link_.Refuse(request);
  }
}

void LinkController::AnswerLinkQuestion(bool accept) {
  // A check still to come finds nothing waiting, or the deadline of a later stranger.
  const std::optional<uint64_t> request = policy_.Take();
  if (!request) return;
  accept ? LinkWith(*request) : link_.Refuse(*request);
}

void LinkController::CheckQuestion() {
  const auto now = AcceptPolicy::Clock::now();
  if (const std::optional<uint64_t> expired = policy_.Expire(now)) {
    link_.Refuse(*expired);
    view_.CloseLinkQuestion();
  } else if (const auto deadline = policy_.Deadline()) {
    view_.CheckQuestionAfter(std::chrono::ceil<std::chrono::milliseconds>(*deadline - now));
  }
}

void LinkController::DropQuestion() {
  if (policy_.Take()) view_.CloseLinkQuestion();
}

std::vector<IPv4> LinkController::KnownPeers() const {
  std::string last;
  for (const std::string& octet : OpponentAddressTexts(ProgramFolder()))
    last += (last.empty() ? "" : ".") + octet;
  std::vector<IPv4> known;
  for (const std::string& text : {last, BoxesAddress()})
    if (const std::optional<IPv4> address = ParseAddress(text)) known.push_back(*address);
  return known;
}

void LinkController::LinkWith(uint64_t request) {
  DropQuestion();
  receiver_.Reset();
  link_.Accept(request);
  // A request that could not be taken over changes nothing; the link reports the error.
  if (!link_.IsConnected()) return;
  ui_.ConnectedState();
  WriteOpponent();
  link_.CloseListener();
  view_.SetDrop1BackColor(kGreen);
  view_.SetDrop1Caption("Connected to Peer");
  view_.EnableTimer2();
  WriteLinkWord(1);
}

void LinkController::OnConnected() {
  DropQuestion();
  receiver_.Reset();
  link_.CloseListener();
  ui_.ConnectedState();
  WriteOpponent();
  WriteLinkWord(1);
  view_.SetDrop1BackColor(kGreen);
  view_.SetDrop1Caption("Connected to Peer");
  view_.EnableTimer2();
}

void LinkController::OnClosed() {
  link_.CloseConnection();
  receiver_.Reset();
  ui_.DisconnectedState();
  int32_t port = PeerPort();
  StartServer(port, LocalAddress);
  WriteLinkWord(0);
  ui_.IdleState();
}

void LinkController::OnError() {
  int32_t port = PeerPort();
  StartServer(port, LocalAddress);
  link_.CloseConnection();
  receiver_.Reset();
  // A connection that broke leaves the window as after a close, so the address boxes and
  // "Connect" are there again.
  ui_.DisconnectedState();
}

void LinkController::OnSendProgress(int64_t sent, int64_t remaining) {
  int64_t total = sent + remaining;
  if (total > 0)
    ui_.SetFileProgress(static_cast<double>(sent) / static_cast<double>(total) * ui_.Shape2Width());
  if (remaining == 0 && receiver_.State().ServingRequests) {
    ui_.IdleState();
    if (std::optional<TransplantOutcome> sent = receiver_.TakeSentOutcome()) {
      receiver_.State().Transplanting = false;
      ui_.ShowOutcome(*sent);
    }
  }
}

void LinkController::WriteOpponent() {
  ByteString bytes = AddressToBytes(link_.RemoteAddress());
  std::filesystem::path file = PathFromUtf8(ProgramFolder()) / "Opponent.dat";
  // Deleted first, so the file never keeps bytes of an earlier peer behind the new ones.
  if (NormalFileExists(file)) RemoveFile(file);
  WriteFileAt(file, 0, bytes);
}

std::string LinkController::ProgramFolder() const {
  return paths_.ProgramDir.empty() ? env_.ProgramDir : paths_.ProgramDir;
}

void LinkController::WriteLinkWord(int32_t value) {
  if (paths_.GameDir == kNotFound) return;
  std::filesystem::path file = GamePath(paths_.GameDir, "\\Data Files\\MWSE\\remotepc");
  // Only the first four bytes: the rest of the file belongs to the relay. The MWSE folder
  // is made at start-up; it is never created here.
  std::error_code ec;
  if (!std::filesystem::is_directory(file.parent_path(), ec)) return;
  WriteFileAt(file, 0, LongToBytes(value));
}
