#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <optional>

#include "link/outgoing_queue.h"
#include "link/peer_connection.h"

class QTcpServer;
class QTcpSocket;

// The peer connection on Qt's sockets. Qt's signals are mapped onto the link's events, each
// raised as a signal as well, one at a time on the window's thread, in the order the socket
// saw them:
//  - ConnectionRequest: a peer knocked on the listener (Accept() or Refuse() it). Until then
//    nothing it sends is read.
//  - Connected: our dial succeeded.
//  - Closed: the peer ended the connection. Our own CloseConnection() raises no event.
//  - Error: a dial failed or the connection broke.
//  - SendProgress: bytes of the current send written so far and still waiting.
// Messages go out whole and in order: what is sent during a long message waits behind it.
// Arrived data goes to the arrival handler. The handler is never re-entered: data that
// arrives while it runs (it may yield to the event loop) is handed over after it returns,
// in arrival order.
class PeerLink : public QObject, public PeerConnection {
  Q_OBJECT

 public:
  explicit PeerLink(QObject* parent = nullptr);
  ~PeerLink() override;

  // Closes the listener, binds it to (port, localAddress; empty = all IPv4 interfaces) and
  // listens. False when it cannot listen.
  bool Listen(const std::string& localAddress, uint16_t port) override;
  void CloseListener() override;
  bool IsListening() const override;
  // Why the last Listen() failed, in the system's words.
  std::string ListenError() const override;
  // The listener's bound address as dotted text ("0.0.0.0" when bound to all interfaces).
  QString ListenerAddress() const;
  quint16 ListenerPort() const;

  // The address a pending request comes from; nothing when it is no longer pending.
  std::optional<std::array<uint8_t, 4>> RequestAddress(uint64_t request) const override;
  // Takes a pending request over on the connection socket.
  void Accept(uint64_t request) override;
  // Closes a pending request's connection.
  void Refuse(uint64_t request) override;
  // Closes the connection socket, then dials host:port.
  void Dial(const std::string& host, uint16_t port) override;
  // Closes the connection socket without raising Closed or Error.
  void CloseConnection() override;
  // The peer's address as dotted text; empty when there is none.
  std::string RemoteAddress() const override;

  bool IsConnected() const override;
  void Send(const ByteString& bytes) override;
  void SendLong(std::unique_ptr<MessageSource> message) override;

  void SetArrivalHandler(std::function<void(const ByteString&)> handler) override;
  void SetEvents(LinkEvents* events) override { events_ = events; }

  QTcpServer* Listener() const { return listener_; }
  QTcpSocket* Connection() const { return connection_; }

 signals:
  void ConnectionRequest(quint64 request);
  void Connected();
  void Closed();
  void Error();
  void SendProgress(qint64 sent, qint64 remaining);

 private:
  void OnIncoming(qintptr descriptor);
  void OfferRequest(quint64 request);
  void RefusePending();
  void OnReadyRead();
  void OnSocketError(int error);
  void OnDisconnected();
  void OnBytesWritten(qint64 count);
  // Raises Closed or Error, or keeps it for later while the arrival handler runs.
  void Raise(bool error);
  void RaiseErrorLater();
  void StartConnection();
  // Hands queued bytes to the socket while its own buffer is low; false when a long message
  // could not be read to its end and the connection was dropped.
  bool Pump();

  QTcpServer* listener_;
  QTcpSocket* connection_;
  std::function<void(const ByteString&)> arrival_;
  LinkEvents* events_ = nullptr;
  struct Request {
    qintptr Descriptor;
    std::array<uint8_t, 4> From;
  };
  // Incoming connections the listener took, not yet accepted or refused: held unread.
  std::map<quint64, Request> pending_;
  quint64 lastRequest_ = 0;
  // Counts connections, so that a report queued for an earlier one is dropped.
  quint64 generation_ = 0;
  bool inArrival_ = false;
  bool endRaised_ = false;  // Closed or Error was raised for the current connection
  bool closedPending_ = false;
  bool errorPending_ = false;
  qint64 sentSoFar_ = 0;  // bytes written since the send queue was last empty
  OutgoingQueue queue_;
};
