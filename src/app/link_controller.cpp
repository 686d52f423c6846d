#include "app/link_controller.h"

#include <filesystem>

#include "app/address_discovery.h"
#include "app/environment.h"
#include "bridge/relay_tables.h"
#include "core/app_paths.h"
#include "core/ui.h"
#include "net/bytes.h"
#include "net/peer_link.h"
#include "net/receiver.h"
#include "platform/files.h"
#include "platform/game_path.h"

namespace {

constexpr int kYellow = 65535;
constexpr int kGreen = 65280;

}  // namespace

LinkController::LinkController(PeerLink& link, LinkView& view, Ui& ui, const Environment& env,
                               AppPaths& paths, RelayTables& relay, Receiver& receiver,
                               QObject* parent)
    : QObject(parent),
      link_(link),
      view_(view),
      ui_(ui),
      env_(env),
      paths_(paths),
      relay_(relay),
      receiver_(receiver) {
  connect(&link_, &PeerLink::ConnectionRequest, this, &LinkController::OnConnectionRequest);
  connect(&link_, &PeerLink::Connected, this, &LinkController::OnConnected);
  connect(&link_, &PeerLink::Closed, this, &LinkController::OnClosed);
  connect(&link_, &PeerLink::Error, this, &LinkController::OnError);
  connect(&link_, &PeerLink::SendProgress, this, &LinkController::OnSendProgress);
  link_.SetArrivalHandler([this](const ByteString& data) { receiver_.ProcessArrival(data); });
}

int32_t LinkController::PeerPort() const { return env_.PeerPort; }

bool LinkController::StartServer(int32_t& localPort, std::string& localIP) {
  if (localIP.empty()) localIP = LocalAddress;
  if (localPort < 0 || localPort > 65535) return false;
  if (!link_.Listen(QString::fromStdString(localIP), static_cast<quint16>(localPort))) return false;
  ShowListening();
  WriteLinkWord(0);
  ui_.IdleState();
  // Each new peer connection registers its relay keys afresh.
  relay_.VarNameCount = 0;
  relay_.OutVarCount = 0;
  return true;
}

void LinkController::ShowListening() {
  view_.SetDrop1BackColor(kYellow);
  std::string external = GetExternalAddress(env_);
  size_t markup = external.find('<');
  if (markup != std::string::npos) external.resize(markup);
  QString bound = link_.ListenerAddress();
  if (bound.isEmpty() || bound == "0.0.0.0") bound = QString::fromStdString(PrimaryAddress(env_));
  view_.SetDrop1Caption("Please establish connection with Peer\r\nYour external IP is: " +
                        QString::fromStdString(external) + "\r\nYour LAN IP is: " + bound);
}

void LinkController::Connect() {
  LocalAddress = ChooseLocalAddress(env_);
  int32_t port = PeerPort();
  StartServer(port, LocalAddress);
  link_.CloseConnection();
  QString host = view_.AddressBoxText(1) + "." + view_.AddressBoxText(2) + "." +
                 view_.AddressBoxText(3) + "." + view_.AddressBoxText(4);
  link_.Dial(host, env_.DialPort != 0 ? env_.DialPort : env_.PeerPort);
}

void LinkController::OnConnectionRequest() {
  receiver_.Reset();
  link_.Accept();
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
  ShowListening();
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

void LinkController::OnSendProgress(qint64 sent, qint64 remaining) {
  qint64 total = sent + remaining;
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
  ByteString bytes = AddressToBytes(link_.RemoteAddress().toStdString());
  std::string folder = paths_.ProgramDir.empty() ? env_.ProgramDir : paths_.ProgramDir;
  std::filesystem::path file = std::filesystem::path(folder) / "Opponent.dat";
  // Deleted first, so the file never keeps bytes of an earlier peer behind the new ones.
  if (NormalFileExists(file)) DeleteFile(file);
  WriteFileAt(file, 0, bytes);
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
