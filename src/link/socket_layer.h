#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/byte_string.h"

// The system's sockets as the peer link uses them: one listener and one connection. A front
// end maps its own sockets onto this (Qt's, or Winsock's window messages) and feeds their
// events to PeerLink. Incoming connections the listener took are numbered by the front end.
class SocketLayer {
 public:
  virtual ~SocketLayer() = default;

  // Closes the listener, binds it to (port, localAddress; empty = all IPv4 interfaces) and
  // listens. False when it cannot; ListenError() tells why in the system's words.
  virtual bool Listen(const std::string& localAddress, uint16_t port) = 0;
  virtual void CloseListener() = 0;
  virtual bool IsListening() const = 0;
  virtual std::string ListenError() const = 0;

  // Takes an incoming connection over as the connection; false (and it is closed) when it
  // cannot.
  virtual bool Adopt(uint64_t incoming) = 0;
  // Closes an incoming connection unread.
  virtual void Refuse(uint64_t incoming) = 0;
  // Dials a dotted IPv4 address; false for any other text (no name is ever looked up).
  virtual bool Dial(const std::string& host, uint16_t port) = 0;
  // Drops the connection without reporting it; what was written is handed to the system
  // first when `flush`.
  virtual void Abort(bool flush) = 0;
  virtual bool IsConnected() const = 0;
  // A connection is being dialled or is up.
  virtual bool IsOpen() const = 0;
  // The peer's address as dotted text; empty when there is none.
  virtual std::string RemoteAddress() const = 0;

  virtual void Write(const ByteString& bytes) = 0;
  // Bytes written but not yet handed to the system.
  virtual uint64_t BytesToWrite() const = 0;
  // What has arrived and not been read, a bounded amount; empty when nothing has.
  virtual ByteString Read() = 0;

  // Runs `task` from the event loop, after the current event.
  virtual void Post(std::function<void()> task) = 0;
};
