#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <optional>

#include "core/peer_sender.h"
#include "link/outgoing_queue.h"

class QTcpServer;
class QTcpSocket;

// The two sockets of the peer connection: the listener (sckListen) and the one connection
// (sckConnection). Qt's signals are mapped onto the events the main window reacts to, one at
// a time on the window's thread, in the order the socket saw them:
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
class PeerLink : public QObject, public PeerSender {
  Q_OBJECT

 public:
  explicit PeerLink(QObject* parent = nullptr);
  ~PeerLink() override;

  // Closes the listener, binds it to (port, localAddress; empty = all IPv4 interfaces) and
  // listens. False when it cannot listen.
  bool Listen(const QString& localAddress, quint16 port);
  void CloseListener();
  bool IsListening() const;
  // Why the last Listen() failed, in the system's words.
  QString ListenError() const;
  // The listener's bound address as dotted text ("0.0.0.0" when bound to all interfaces).
  QString ListenerAddress() const;
  quint16 ListenerPort() const;

  // The address a pending request comes from; nothing when it is no longer pending.
  std::optional<std::array<uint8_t, 4>> RequestAddress(quint64 request) const;
  // Takes a pending request over on the connection socket.
  void Accept(quint64 request);
  // Closes a pending request's connection.
  void Refuse(quint64 request);
  // Closes the connection socket, then dials host:port.
  void Dial(const QString& host, quint16 port);
  // Closes the connection socket without raising Closed or Error.
  void CloseConnection();
  // The peer's address as dotted text; empty when there is none.
  QString RemoteAddress() const;

  bool IsConnected() const override;
  void Send(const ByteString& bytes) override;
  void SendLong(std::unique_ptr<MessageSource> message) override;

  void SetArrivalHandler(std::function<void(const ByteString&)> handler);

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
