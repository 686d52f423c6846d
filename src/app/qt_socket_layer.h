#pragma once

#include <QObject>
#include <map>

#include "link/peer_link.h"
#include "link/socket_layer.h"

class QTcpServer;
class QTcpSocket;

// The peer link on Qt's sockets: the listener (sckListen) and the one connection
// (sckConnection). Qt's signals become the link's socket events, on the window's thread.
class QtSocketLayer : public QObject, public SocketLayer {
 public:
  explicit QtSocketLayer(QObject* parent = nullptr);
  ~QtSocketLayer() override;

  PeerLink& Link() { return link_; }

  bool Listen(const std::string& localAddress, uint16_t port) override;
  void CloseListener() override;
  bool IsListening() const override;
  std::string ListenError() const override;
  bool Adopt(uint64_t incoming) override;
  void Refuse(uint64_t incoming) override;
  bool Dial(const std::string& host, uint16_t port) override;
  void Abort(bool flush) override;
  bool IsConnected() const override;
  bool IsOpen() const override;
  std::string RemoteAddress() const override;
  void Write(const ByteString& bytes) override;
  uint64_t BytesToWrite() const override;
  ByteString Read() override;
  void Post(std::function<void()> task) override;

  uint16_t ListenerPort() const;
  QTcpSocket* Connection() const { return connection_; }

 private:
  void OnIncoming(qintptr descriptor);
  void OnSocketError(int error);

  QTcpServer* listener_;
  QTcpSocket* connection_;
  // Incoming connections handed to the link, not yet adopted or refused.
  std::map<uint64_t, qintptr> incoming_;
  uint64_t lastIncoming_ = 0;
  PeerLink link_{*this};  // last: it still uses the sockets as it goes
};
