#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "link/outgoing_queue.h"
#include "link/peer_connection.h"
#include "link/socket_layer.h"

// The peer connection over a front end's sockets. The front end's socket events come in
// through the On... calls and go out as LinkEvents, one at a time, in the order the sockets
// saw them. Messages go out whole and in order: what is sent during a long message waits
// behind it. Arrived data goes to the arrival handler. The handler is never re-entered: data
// that arrives while it runs (it may yield to the event loop) is handed over after it
// returns, in arrival order, and so is the end of the connection.
class PeerLink : public PeerConnection {
 public:
  explicit PeerLink(SocketLayer& sockets);
  ~PeerLink() override;

  bool Listen(const std::string& localAddress, uint16_t port) override;
  void CloseListener() override;
  bool IsListening() const override;
  std::string ListenError() const override;
  std::optional<std::array<uint8_t, 4>> RequestAddress(uint64_t request) const override;
  void Accept(uint64_t request) override;
  void Refuse(uint64_t request) override;
  void Dial(const std::string& host, uint16_t port) override;
  void CloseConnection() override;
  std::string RemoteAddress() const override;
  bool IsConnected() const override;
  void Send(const ByteString& bytes) override;
  void SendLong(std::unique_ptr<MessageSource> message) override;
  void SetArrivalHandler(std::function<void(const ByteString&)> handler) override;
  void SetEvents(LinkEvents* events) override { events_ = events; }

  // The front end's socket events.
  // The listener took a connection from `from`; it stays unread until accepted.
  void OnIncoming(uint64_t incoming, const std::array<uint8_t, 4>& from);
  void OnConnected();
  void OnReadable();
  void OnBytesWritten(uint64_t count);
  // The peer closed the connection.
  void OnDisconnected();
  // A dial failed or the connection broke.
  void OnBroken();

 private:
  void OfferRequest(uint64_t request);
  void RefusePending();
  // Raises OnClosed or OnError, or keeps it for later while the arrival handler runs.
  void Raise(bool error);
  void RaiseErrorLater();
  void StartConnection();
  // Hands queued bytes to the socket while its own buffer is low; false when a long message
  // could not be read to its end and the connection was dropped.
  bool Pump();

  SocketLayer& sockets_;
  std::function<void(const ByteString&)> arrival_;
  LinkEvents* events_ = nullptr;
  // Cleared when the link goes, for tasks posted to the event loop and a handler that
  // destroys it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  // Incoming connections the listener took, not yet accepted or refused: held unread.
  std::map<uint64_t, std::array<uint8_t, 4>> pending_;
  // Counts connections, so that a report queued for an earlier one is dropped.
  uint64_t generation_ = 0;
  bool inArrival_ = false;
  bool endRaised_ = false;  // Closed or Error was raised for the current connection
  bool closedPending_ = false;
  bool errorPending_ = false;
  uint64_t sentSoFar_ = 0;  // bytes written since the send queue was last empty
  OutgoingQueue queue_;
};
