#include "app/qt_socket_layer.h"

#include <QHostAddress>
#include <QMetaObject>
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

QtSocketLayer::QtSocketLayer(QObject* parent)
    : QObject(parent),
      listener_(new ListenSocket(this, [this](qintptr d) { OnIncoming(d); })),
      connection_(new QTcpSocket(this)) {
  listener_->setObjectName("sckListen");
  connection_->setObjectName("sckConnection");
  // While the arrival handler is busy, what the peer sends waits in this buffer and then in
  // the system's; once both are full, TCP holds the peer back.
  connection_->setReadBufferSize(4 * 1024 * 1024);
  connect(connection_, &QTcpSocket::connected, this, [this] { link_.OnConnected(); });
  connect(connection_, &QTcpSocket::readyRead, this, [this] { link_.OnReadable(); });
  connect(connection_, &QTcpSocket::disconnected, this, [this] { link_.OnDisconnected(); });
  connect(connection_, &QTcpSocket::errorOccurred, this,
          [this](QAbstractSocket::SocketError e) { OnSocketError(e); });
  connect(connection_, &QTcpSocket::bytesWritten, this,
          [this](qint64 count) { link_.OnBytesWritten(static_cast<uint64_t>(count)); });
}

QtSocketLayer::~QtSocketLayer() {
  for (const auto& [id, descriptor] : incoming_) CloseDescriptor(descriptor);
  incoming_.clear();
}

bool QtSocketLayer::Listen(const std::string& localAddress, uint16_t port) {
  listener_->close();
  QHostAddress address(QHostAddress::AnyIPv4);
  if (!localAddress.empty() && !ParseIPv4(localAddress, address)) return false;
  return listener_->listen(address, port);
}

void QtSocketLayer::CloseListener() { listener_->close(); }

bool QtSocketLayer::IsListening() const { return listener_->isListening(); }

std::string QtSocketLayer::ListenError() const { return listener_->errorString().toStdString(); }

uint16_t QtSocketLayer::ListenerPort() const { return listener_->serverPort(); }

void QtSocketLayer::OnIncoming(qintptr descriptor) {
  // The address is asked of the system; the connection itself is left unread.
  const std::optional<std::array<uint8_t, 4>> from = PeerIPv4Address(descriptor);
  if (!from) return CloseDescriptor(descriptor);
  const uint64_t id = ++lastIncoming_;
  incoming_[id] = descriptor;
  link_.OnIncoming(id, *from);
}

bool QtSocketLayer::Adopt(uint64_t incoming) {
  const auto found = incoming_.find(incoming);
  if (found == incoming_.end()) return false;
  const qintptr descriptor = found->second;
  incoming_.erase(found);
  if (connection_->setSocketDescriptor(descriptor)) return true;
  CloseDescriptor(descriptor);
  return false;
}

void QtSocketLayer::Refuse(uint64_t incoming) {
  const auto found = incoming_.find(incoming);
  if (found == incoming_.end()) return;
  CloseDescriptor(found->second);
  incoming_.erase(found);
}

bool QtSocketLayer::Dial(const std::string& host, uint16_t port) {
  QHostAddress address;
  if (!ParseIPv4(host, address)) return false;
  connection_->connectToHost(address, port);
  return true;
}

void QtSocketLayer::Abort(bool flush) {
  QSignalBlocker blocker(connection_);
  if (flush && connection_->state() == QAbstractSocket::ConnectedState) connection_->flush();
  connection_->abort();
}

bool QtSocketLayer::IsConnected() const {
  return connection_->state() == QAbstractSocket::ConnectedState;
}

bool QtSocketLayer::IsOpen() const {
  return connection_->state() != QAbstractSocket::UnconnectedState;
}

std::string QtSocketLayer::RemoteAddress() const {
  QHostAddress peer = connection_->peerAddress();
  if (peer.isNull()) return {};
  bool isV4 = false;
  quint32 v4 = peer.toIPv4Address(&isV4);
  return (isV4 ? QHostAddress(v4).toString() : peer.toString()).toStdString();
}

void QtSocketLayer::Write(const ByteString& bytes) {
  connection_->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

uint64_t QtSocketLayer::BytesToWrite() const {
  return static_cast<uint64_t>(connection_->bytesToWrite());
}

ByteString QtSocketLayer::Read() {
  const QByteArray data = connection_->readAll();
  return ByteString(data.constData(), static_cast<size_t>(data.size()));
}

void QtSocketLayer::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void QtSocketLayer::OnSocketError(int error) {
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
  link_.OnBroken();
}
