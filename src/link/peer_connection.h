#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/peer_sender.h"

// What the link hears of its sockets, one event at a time on the window's thread, in the
// order the sockets saw them.
class LinkEvents {
 public:
  virtual ~LinkEvents() = default;
  // A peer knocked on the listener: PeerConnection::Accept() or Refuse() it. Until then
  // nothing it sends is read.
  virtual void OnConnectionRequest(uint64_t request) = 0;
  // Our dial succeeded.
  virtual void OnConnected() = 0;
  // The peer ended the connection. Our own CloseConnection() raises no event.
  virtual void OnClosed() = 0;
  // A dial failed or the connection broke.
  virtual void OnError() = 0;
  // Bytes of the current send written so far and still waiting.
  virtual void OnSendProgress(int64_t sent, int64_t remaining) = 0;
};

// The two sockets of the peer connection: the listener (sckListen) and the one connection
// (sckConnection). Messages go out whole and in order; arrived data goes to the arrival
// handler, which is never re-entered.
class PeerConnection : public PeerSender {
 public:
  // Closes the listener, binds it to (port, localAddress; empty = all IPv4 interfaces) and
  // listens. False when it cannot listen.
  virtual bool Listen(const std::string& localAddress, uint16_t port) = 0;
  virtual void CloseListener() = 0;
  virtual bool IsListening() const = 0;
  // Why the last Listen() failed, in the system's words.
  virtual std::string ListenError() const = 0;

  // The address a pending request comes from; nothing when it is no longer pending.
  virtual std::optional<std::array<uint8_t, 4>> RequestAddress(uint64_t request) const = 0;
  // Takes a pending request over on the connection socket.
  virtual void Accept(uint64_t request) = 0;
  // Closes a pending request's connection.
  virtual void Refuse(uint64_t request) = 0;
  // Closes the connection socket, then dials host:port (dotted addresses only).
  virtual void Dial(const std::string& host, uint16_t port) = 0;
  // Closes the connection socket without raising OnClosed or OnError.
  virtual void CloseConnection() = 0;
  // The peer's address as dotted text; empty when there is none.
  virtual std::string RemoteAddress() const = 0;

  virtual void SetArrivalHandler(std::function<void(const ByteString&)> handler) = 0;
  // Where the events go; nullptr: nowhere.
  virtual void SetEvents(LinkEvents* events) = 0;
};
