#include "app/peer_link.h"

#include <QHostAddress>
#include <QMetaObject>
#include <QPointer>
#include <QSignalBlocker>
#include <QTcpServer>
#include <QTcpSocket>

#include "platform/sockets.h"

namespace {

// A listener that hands over the descriptors of incoming connections instead of wrapping
// each in a socket of its own, so that an accepted connection lands on sckConnection.
class ListenSocket : public QTcpServer {
 public:
  ListenSocket(QObject* parent, std::function<void(qintptr)> incoming)
      : QTcpServer(parent), incoming_(std::move(incoming)) {}

 protected:
  void incomingConnection(qintptr descriptor) override { incoming_(descriptor); }

 private:
  std::function<void(qintptr)> incoming_;
};

void CloseDescriptor(qintptr descriptor) {
  QTcpSocket socket;
  if (socket.setSocketDescriptor(descriptor)) socket.abort();
}

bool ParseIPv4(const std::string& text, QHostAddress& address) {
  return address.setAddress(QString::fromStdString(text)) &&
         address.protocol() == QAbstractSocket::IPv4Protocol;
}

}  // namespace

PeerLink::PeerLink(QObject* parent)
    : QObject(parent),
      listener_(new ListenSocket(this, [this](qintptr d) { OnIncoming(d); })),
      connection_(new QTcpSocket(this)) {
  listener_->setObjectName("sckListen");
  connection_->setObjectName("sckConnection");
  // While the arrival handler is busy, what the peer sends waits in this buffer and then in
  // the system's; once both are full, TCP holds the peer back.
  connection_->setReadBufferSize(4 * 1024 * 1024);
  connect(connection_, &QTcpSocket::connected, this, [this] {
    if (events_) events_->OnConnected();
    emit Connected();
  });
  connect(connection_, &QTcpSocket::readyRead, this, &PeerLink::OnReadyRead);
  connect(connection_, &QTcpSocket::disconnected, this, &PeerLink::OnDisconnected);
  connect(connection_, &QTcpSocket::errorOccurred, this,
          [this](QAbstractSocket::SocketError e) { OnSocketError(e); });
  connect(connection_, &QTcpSocket::bytesWritten, this, &PeerLink::OnBytesWritten);
}

PeerLink::~PeerLink() {
  QSignalBlocker blocker(connection_);
  connection_->abort();
  RefusePending();
}

bool PeerLink::Listen(const std::string& localAddress, uint16_t port) {
  CloseListener();
  QHostAddress address(QHostAddress::AnyIPv4);
  if (!localAddress.empty() && !ParseIPv4(localAddress, address)) return false;
  return listener_->listen(address, port);
}

void PeerLink::CloseListener() {
  listener_->close();
  RefusePending();
}

bool PeerLink::IsListening() const { return listener_->isListening(); }

std::string PeerLink::ListenError() const { return listener_->errorString().toStdString(); }

QString PeerLink::ListenerAddress() const { return listener_->serverAddress().toString(); }

quint16 PeerLink::ListenerPort() const { return listener_->serverPort(); }

void PeerLink::OnIncoming(qintptr descriptor) {
  // The address is asked of the system; the connection itself is left unread.
  const std::optional<std::array<uint8_t, 4>> from = PeerIPv4Address(descriptor);
  if (!from) return CloseDescriptor(descriptor);
  const quint64 request = ++lastRequest_;
  pending_[request] = {descriptor, *from};
  // Reported from the event loop rather than from inside the listener's own notification,
  // so the handler may close the listener.
  QMetaObject::invokeMethod(
      this, [this, request] { OfferRequest(request); }, Qt::QueuedConnection);
}

void PeerLink::OfferRequest(quint64 request) {
  if (!pending_.count(request)) return;
  if (connection_->state() != QAbstractSocket::UnconnectedState) {
    // There is never more than one peer connection.
    Refuse(request);
    return;
  }
  if (events_) events_->OnConnectionRequest(request);
  emit ConnectionRequest(request);
}

void PeerLink::RefusePending() {
  for (const auto& [request, incoming] : pending_) CloseDescriptor(incoming.Descriptor);
  pending_.clear();
}

std::optional<std::array<uint8_t, 4>> PeerLink::RequestAddress(uint64_t request) const {
  const auto found = pending_.find(request);
  if (found == pending_.end()) return std::nullopt;
  return found->second.From;
}

void PeerLink::Refuse(uint64_t request) {
  const auto found = pending_.find(request);
  if (found == pending_.end()) return;
  CloseDescriptor(found->second.Descriptor);
  pending_.erase(found);
}

void PeerLink::Accept(uint64_t request) {
  const auto found = pending_.find(request);
  if (found == pending_.end()) return;
  const qintptr descriptor = found->second.Descriptor;
  pending_.erase(found);
  CloseConnection();
  StartConnection();
  if (!connection_->setSocketDescriptor(descriptor)) {
    CloseDescriptor(descriptor);
    RaiseErrorLater();
  }
}

void PeerLink::Dial(const std::string& host, uint16_t port) {
  CloseConnection();
  StartConnection();
  QHostAddress address;
  if (!ParseIPv4(host, address)) {
    // Only dotted addresses are dialled; anything else would start a name lookup.
    RaiseErrorLater();
    return;
  }
  connection_->connectToHost(address, port);
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
  {
    QSignalBlocker blocker(connection_);
    // Hand what is queued to the system before the socket goes, as a close would.
    if (connection_->state() == QAbstractSocket::ConnectedState) connection_->flush();
    connection_->abort();
  }
  ++generation_;
  endRaised_ = true;  // whatever the socket still reports belongs to the closed connection
  closedPending_ = false;
  errorPending_ = false;
  sentSoFar_ = 0;
  queue_.Clear();  // a message cut off leaves nothing behind to follow it
}

std::string PeerLink::RemoteAddress() const {
  QHostAddress peer = connection_->peerAddress();
  if (peer.isNull()) return {};
  bool isV4 = false;
  quint32 v4 = peer.toIPv4Address(&isV4);
  return (isV4 ? QHostAddress(v4).toString() : peer.toString()).toStdString();
}

bool PeerLink::IsConnected() const {
  return connection_->state() == QAbstractSocket::ConnectedState;
}

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
  constexpr qint64 kLow = 1 << 20;
  while (IsConnected() && !queue_.Empty() && connection_->bytesToWrite() < kLow) {
    bool failed = false;
    const ByteString bytes = queue_.Take(kLow, failed);
    if (failed) {
      // The peer waits for the rest of a message that cannot come: the link ends.
      {
        QSignalBlocker blocker(connection_);
        connection_->abort();
      }
      RaiseErrorLater();
      return false;
    }
    connection_->write(bytes.data(), static_cast<qint64>(bytes.size()));
  }
  return true;
}

void PeerLink::SetArrivalHandler(std::function<void(const ByteString&)> handler) {
  arrival_ = std::move(handler);
}

void PeerLink::OnReadyRead() {
  // The handler may yield; data arriving meanwhile is taken by the loop below once it
  // returns, because Qt does not announce it a second time.
  if (inArrival_) return;
  inArrival_ = true;
  QPointer<PeerLink> self(this);
  for (;;) {
    QByteArray data = connection_->readAll();
    if (data.isEmpty()) break;
    if (arrival_) arrival_(ByteString(data.constData(), static_cast<size_t>(data.size())));
    if (!self) return;
  }
  inArrival_ = false;
  if (closedPending_ || errorPending_) {
    bool error = errorPending_;
    closedPending_ = errorPending_ = false;
    Raise(error);
  }
}

void PeerLink::OnSocketError(int error) {
  if (error == QAbstractSocket::RemoteHostClosedError) return;  // disconnected follows
  if (connection_->state() == QAbstractSocket::ConnectedState) {
    switch (error) {
      case QAbstractSocket::SocketTimeoutError:
      case QAbstractSocket::TemporaryError:
      case QAbstractSocket::UnfinishedSocketOperationError:
      case QAbstractSocket::OperationError:
        return;  // the connection is still up
      default:
        break;
    }
  }
  Raise(true);
}

void PeerLink::OnDisconnected() { Raise(false); }

void PeerLink::RaiseErrorLater() {
  // Events reach the window from the event loop, never from inside the call that caused
  // them; a later dial or accept makes this one stale.
  quint64 generation = generation_;
  QMetaObject::invokeMethod(
      this,
      [this, generation] {
        if (generation == generation_) Raise(true);
      },
      Qt::QueuedConnection);
}

void PeerLink::Raise(bool error) {
  if (endRaised_) return;
  if (inArrival_) {
    // The receiver finishes the data it has before it hears that the connection ended.
    if (!closedPending_ && !errorPending_) (error ? errorPending_ : closedPending_) = true;
    return;
  }
  endRaised_ = true;
  if (error) {
    if (events_) events_->OnError();
    emit Error();
  } else {
    if (events_) events_->OnClosed();
    emit Closed();
  }
}

void PeerLink::OnBytesWritten(qint64 count) {
  if (!Pump()) return;  // nothing of this send arrives whole
  sentSoFar_ += count;
  qint64 sent = sentSoFar_;
  qint64 remaining = connection_->bytesToWrite() + static_cast<qint64>(queue_.Waiting());
  if (remaining == 0) sentSoFar_ = 0;  // the next send counts from zero
  if (events_) events_->OnSendProgress(sent, remaining);
  emit SendProgress(sent, remaining);
}
