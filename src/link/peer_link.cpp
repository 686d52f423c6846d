#include "link/peer_link.h"

PeerLink::PeerLink(SocketLayer& sockets) : sockets_(sockets) {}

PeerLink::~PeerLink() {
  *alive_ = false;
  sockets_.Abort(/*flush=*/false);
  RefusePending();
}

bool PeerLink::Listen(const std::string& localAddress, uint16_t port) {
  CloseListener();
  return sockets_.Listen(localAddress, port);
}

void PeerLink::CloseListener() {
  sockets_.CloseListener();
  RefusePending();
}

bool PeerLink::IsListening() const { return sockets_.IsListening(); }

std::string PeerLink::ListenError() const { return sockets_.ListenError(); }

void PeerLink::OnIncoming(uint64_t incoming, const std::array<uint8_t, 4>& from) {
  pending_[incoming] = from;
  // Reported from the event loop rather than from inside the listener's own notification,
  // so the handler may close the listener.
  sockets_.Post([this, alive = alive_, incoming] {
    if (*alive) OfferRequest(incoming);
  });
}

void PeerLink::OfferRequest(uint64_t request) {
  if (!pending_.count(request)) return;
  if (sockets_.IsOpen()) {
    // There is never more than one peer connection.
    Refuse(request);
    return;
  }
  if (events_) events_->OnConnectionRequest(request);
}

void PeerLink::RefusePending() {
  for (const auto& [request, from] : pending_) sockets_.Refuse(request);
  pending_.clear();
}

std::optional<std::array<uint8_t, 4>> PeerLink::RequestAddress(uint64_t request) const {
  const auto found = pending_.find(request);
  if (found == pending_.end()) return std::nullopt;
  return found->second;
}

void PeerLink::Refuse(uint64_t request) {
  if (!pending_.erase(request)) return;
  sockets_.Refuse(request);
}

void PeerLink::Accept(uint64_t request) {
  if (!pending_.erase(request)) return;
  CloseConnection();
  StartConnection();
  if (!sockets_.Adopt(request)) RaiseErrorLater();
}

void PeerLink::Dial(const std::string& host, uint16_t port) {
  CloseConnection();
  StartConnection();
  // Only dotted addresses are dialled; anything else would start a name lookup.
  if (!sockets_.Dial(host, port)) RaiseErrorLater();
}

void PeerLink::StartConnection() {
  ++generation_;
  endRaised_ = false;
  closedPending_ = false;
  errorPending_ = false;
  sentSoFar_ = 0;
  queue_.Clear();
}

void PeerLink::CloseConnection() {
  // What is queued goes to the system before the socket goes, as a close would.
  sockets_.Abort(/*flush=*/true);
  ++generation_;
  endRaised_ = true;  // whatever the socket still reports belongs to the closed connection
  closedPending_ = false;
  errorPending_ = false;
  sentSoFar_ = 0;
  queue_.Clear();  // a message cut off leaves nothing behind to follow it
}

std::string PeerLink::RemoteAddress() const { return sockets_.RemoteAddress(); }

bool PeerLink::IsConnected() const { return sockets_.IsConnected(); }

void PeerLink::Send(const ByteString& bytes) {
  if (!IsConnected()) return;
  queue_.Push(bytes);
  Pump();
}

void PeerLink::SendLong(std::unique_ptr<MessageSource> message) {
  if (!IsConnected()) return;
  queue_.Push(std::move(message));
  Pump();
}

bool PeerLink::Pump() {
  // About a megabyte in the socket's buffer keeps the network busy; a long message is read
  // no faster than that.
  constexpr uint64_t kLow = 1 << 20;
  while (IsConnected() && !queue_.Empty() && sockets_.BytesToWrite() < kLow) {
    bool failed = false;
    const ByteString bytes = queue_.Take(kLow, failed);
    if (failed) {
      // The peer waits for the rest of a message that cannot come: the link ends.
      sockets_.Abort(/*flush=*/false);
      RaiseErrorLater();
      return false;
    }
    sockets_.Write(bytes);
  }
  return true;
}

void PeerLink::SetArrivalHandler(std::function<void(const ByteString&)> handler) {
  arrival_ = std::move(handler);
}

void PeerLink::OnConnected() {
  if (events_) events_->OnConnected();
}

void PeerLink::OnReadable() {
  // The handler may yield; data arriving meanwhile is taken by the loop below once it
  // returns, as the sockets need not announce it a second time.
  if (inArrival_) return;
  inArrival_ = true;
  const std::shared_ptr<bool> alive = alive_;
  for (;;) {
    const ByteString data = sockets_.Read();
    if (data.empty()) break;
    if (arrival_) arrival_(data);
    if (!*alive) return;
  }
  inArrival_ = false;
  if (closedPending_ || errorPending_) {
    bool error = errorPending_;
    closedPending_ = errorPending_ = false;
    Raise(error);
  }
}

void PeerLink::OnDisconnected() { Raise(false); }

void PeerLink::OnBroken() { Raise(true); }

void PeerLink::RaiseErrorLater() {
  // Events reach the window from the event loop, never from inside the call that caused
  // them; a later dial or accept makes this one stale.
  sockets_.Post([this, alive = alive_, generation = generation_] {
    if (*alive && generation == generation_) Raise(true);
  });
}

void PeerLink::Raise(bool error) {
  if (endRaised_) return;
  if (inArrival_) {
    // The receiver finishes the data it has before it hears that the connection ended.
    if (!closedPending_ && !errorPending_) (error ? errorPending_ : closedPending_) = true;
    return;
  }
  endRaised_ = true;
  if (!events_) return;
  error ? events_->OnError() : events_->OnClosed();
}

void PeerLink::OnBytesWritten(uint64_t count) {
  if (!Pump()) return;  // nothing of this send arrives whole
  sentSoFar_ += count;
  const uint64_t sent = sentSoFar_;
  const uint64_t remaining = sockets_.BytesToWrite() + queue_.Waiting();
  if (remaining == 0) sentSoFar_ = 0;  // the next send counts from zero
  if (events_) events_->OnSendProgress(static_cast<int64_t>(sent), static_cast<int64_t>(remaining));
}
