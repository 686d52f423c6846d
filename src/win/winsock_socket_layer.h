#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "link/peer_link.h"
#include "link/socket_layer.h"

struct HWND__;

// The peer link on Winsock: the listener (sckListen) and the one connection (sckConnection)
// are non-blocking sockets whose events come as messages to a hidden message-only window of
// this class's own, so the thread that makes it only has to run its ordinary message loop
// (GetMessage, DispatchMessage). Every event reaches the link from that loop, on that thread;
// the layer is made, used and destroyed on it.
class WinsockSocketLayer : public SocketLayer {
 public:
  WinsockSocketLayer();
  ~WinsockSocketLayer() override;
  WinsockSocketLayer(const WinsockSocketLayer&) = delete;
  WinsockSocketLayer& operator=(const WinsockSocketLayer&) = delete;

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

  // The listener's port (the one the system chose for port 0); 0 when not listening.
  uint16_t ListenerPort() const;

 private:
  struct Window;
  // Connecting: dialled, not yet answered. Ended: the peer closed it; what it sent before is
  // still read.
  enum class State { None, Connecting, Connected, Ended };

  void OnAccept();
  void OnConnectionEvent(int event, int error);
  // Starts the connection's events on `socket`; false (the socket untouched) when it cannot.
  bool OpenConnection(uintptr_t socket, long events);
  void CloseConnectionSocket();
  void Drain();
  // Hands the system queued bytes until all are gone (true) or it takes no more (false;
  // WSAGetLastError says why), adding what it took to `taken`.
  bool SendQueued(uint64_t& taken);
  void PeerEnded(int error);

  HWND__* window_ = nullptr;
  uintptr_t listener_;
  uintptr_t connection_;
  State state_ = State::None;
  // Each connection socket gets its own message number, so events still queued for a closed
  // one are told apart from those of the next, even when the system reuses the handle.
  unsigned connections_ = 0;
  unsigned connectionMessage_ = 0;
  int listenError_ = 0;
  // FD_READ allows one read; the system posts it again while data is left.
  bool readArmed_ = false;
  std::vector<char> readBuffer_;
  // Written, not yet handed to the system: out_ from outFrom_ on.
  ByteString out_;
  size_t outFrom_ = 0;
  bool drainPosted_ = false;
  std::deque<std::function<void()>> tasks_;
  // Incoming connections handed to the link, not yet adopted or refused.
  std::map<uint64_t, uintptr_t> incoming_;
  uint64_t lastIncoming_ = 0;
  // Cleared when the layer goes, for a handler that destroys it while an event is handled.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  PeerLink link_{*this};  // last: it still uses the sockets as it goes
};
