#include "win/winsock_socket_layer.h"

#include <winsock2.h>
// After winsock2.h, which it needs.
#include <ws2tcpip.h>

#include <algorithm>
#include <optional>
#include <string>

#include "core/octet_text.h"
#include "platform/socket_calls.h"
#include "platform/sockets.h"
#include "platform/win/wide_text.h"
#include "platform/win/winsock.h"

namespace {

constexpr UINT kRunTask = WM_APP;
constexpr UINT kDrain = WM_APP + 1;
constexpr UINT kListenerEvent = WM_APP + 2;
constexpr UINT kFirstConnectionMessage = WM_APP + 16;
constexpr UINT kConnectionMessages = 4096;

// What one read takes at most; the system holds the rest, and TCP holds the peer back once
// that is full.
constexpr size_t kReadChunk = 256 * 1024;

constexpr wchar_t kWindowClass[] = L"QuibSocketEvents";

using socket_calls::IPv4Endpoint;
using socket_calls::ParseIPv4;

void CloseSocket(SOCKET socket) {
  if (socket != INVALID_SOCKET) closesocket(socket);
}

// The reset of a connection is its end, as the peer closing it is.
bool IsPeerEnd(int error) {
  return error == 0 || error == WSAECONNRESET || error == WSAECONNABORTED;
}

}  // namespace

struct WinsockSocketLayer::Window {
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* layer = reinterpret_cast<WinsockSocketLayer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!layer) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
      case kRunTask: {
        if (layer->tasks_.empty()) return 0;
        const std::function<void()> task = std::move(layer->tasks_.front());
        layer->tasks_.pop_front();
        task();
        return 0;
      }
      case kDrain:
        layer->drainPosted_ = false;
        layer->Drain();
        return 0;
      case kListenerEvent:
        if (wParam == layer->listener_ && WSAGETSELECTEVENT(lParam) == FD_ACCEPT) layer->OnAccept();
        return 0;
      default:
        break;
    }
    if (message != layer->connectionMessage_)
      return DefWindowProcW(window, message, wParam, lParam);
    if (wParam == layer->connection_)
      layer->OnConnectionEvent(WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
    return 0;
  }
};

WinsockSocketLayer::WinsockSocketLayer()
    : listener_(INVALID_SOCKET), connection_(INVALID_SOCKET), readBuffer_(kReadChunk) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &Window::Proc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);  // fails harmlessly when an earlier layer registered it
  window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                            nullptr);
  if (window_) SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

WinsockSocketLayer::~WinsockSocketLayer() {
  *alive_ = false;
  CloseListener();
  CloseConnectionSocket();
  for (const auto& [id, socket] : incoming_) CloseSocket(socket);
  incoming_.clear();
  tasks_.clear();
  if (!window_) return;
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);  // with it go the messages still queued for it
}

bool WinsockSocketLayer::Listen(const std::string& localAddress, uint16_t port) {
  CloseListener();
  in_addr address{};
  address.s_addr = htonl(INADDR_ANY);
  if (!localAddress.empty()) {
    const std::optional<in_addr> parsed = ParseIPv4(localAddress);
    if (!parsed) {
      listenError_ = WSAEADDRNOTAVAIL;
      return false;
    }
    address = *parsed;
  }
  if (!window_ || !StartWinsock()) {
    listenError_ = WSANOTINITIALISED;
    return false;
  }
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const sockaddr_in bound = IPv4Endpoint(address, port);
  if (socket == INVALID_SOCKET ||
      bind(socket, reinterpret_cast<const sockaddr*>(&bound), sizeof bound) != 0 ||
      listen(socket, SOMAXCONN) != 0 ||
      WSAAsyncSelect(socket, window_, kListenerEvent, FD_ACCEPT) != 0) {
    listenError_ = WSAGetLastError();
    CloseSocket(socket);
    return false;
  }
  listener_ = socket;
  return true;
}

void WinsockSocketLayer::CloseListener() {
  if (listener_ == INVALID_SOCKET) return;
  WSAAsyncSelect(listener_, window_, 0, 0);
  closesocket(listener_);
  listener_ = INVALID_SOCKET;
}

bool WinsockSocketLayer::IsListening() const { return listener_ != INVALID_SOCKET; }

std::string WinsockSocketLayer::ListenError() const {
  if (listenError_ == 0) return {};
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(listenError_), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result = length ? Utf8FromWide(std::wstring_view(text, length)) : std::string();
  LocalFree(text);
  while (!result.empty() &&
         (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
    result.pop_back();
  return result.empty() ? "Winsock error " + std::to_string(listenError_) : result;
}

uint16_t WinsockSocketLayer::ListenerPort() const {
  sockaddr_in address{};
  int length = sizeof address;
  if (listener_ == INVALID_SOCKET ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return 0;
  return ntohs(address.sin_port);
}

void WinsockSocketLayer::OnAccept() {
  for (;;) {
    const SOCKET socket = accept(listener_, nullptr, nullptr);
    if (socket == INVALID_SOCKET) return;
    // The address is asked of the system; the connection itself is left unread.
    const std::optional<std::array<uint8_t, 4>> from = PeerIPv4Address(socket);
    if (!from) {
      closesocket(socket);
      continue;
    }
    const uint64_t id = ++lastIncoming_;
    incoming_[id] = socket;
    link_.OnIncoming(id, *from);  // posts the request: nothing here is re-entered
  }
}

bool WinsockSocketLayer::Adopt(uint64_t incoming) {
  const auto found = incoming_.find(incoming);
  if (found == incoming_.end()) return false;
  const SOCKET socket = found->second;
  incoming_.erase(found);
  // What arrived while it was held is announced as soon as its events start.
  if (!OpenConnection(socket, FD_READ | FD_WRITE | FD_CLOSE)) {
    closesocket(socket);
    return false;
  }
  state_ = State::Connected;
  return true;
}

void WinsockSocketLayer::Refuse(uint64_t incoming) {
  const auto found = incoming_.find(incoming);
  if (found == incoming_.end()) return;
  closesocket(found->second);
  incoming_.erase(found);
}

bool WinsockSocketLayer::Dial(const std::string& host, uint16_t port) {
  const std::optional<in_addr> address = ParseIPv4(host);
  if (!address || !window_ || !StartWinsock()) return false;
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET) return false;
  if (!OpenConnection(socket, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE)) {
    closesocket(socket);
    return false;
  }
  state_ = State::Connecting;
  const sockaddr_in peer = IPv4Endpoint(*address, port);
  if (connect(socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    CloseConnectionSocket();
    return false;
  }
  return true;  // FD_CONNECT tells how it went
}

bool WinsockSocketLayer::OpenConnection(uintptr_t socket, long events) {
  CloseConnectionSocket();
  const unsigned message = kFirstConnectionMessage + ++connections_ % kConnectionMessages;
  // Also makes the socket non-blocking.
  if (WSAAsyncSelect(socket, window_, message, events) != 0) return false;
  connectionMessage_ = message;
  connection_ = socket;
  return true;
}

void WinsockSocketLayer::CloseConnectionSocket() {
  if (connection_ != INVALID_SOCKET) {
    WSAAsyncSelect(connection_, window_, 0, 0);
    closesocket(connection_);
  }
  connection_ = INVALID_SOCKET;
  state_ = State::None;
  readArmed_ = false;
  out_.clear();
  outFrom_ = 0;
}

void WinsockSocketLayer::Abort(bool flush) {
  // What the system takes at once goes out, as Qt's flush does: closing never waits on a
  // peer that reads slowly, and what does not fit goes with the connection.
  uint64_t taken = 0;
  if (flush && state_ == State::Connected) SendQueued(taken);
  CloseConnectionSocket();
}

bool WinsockSocketLayer::SendQueued(uint64_t& taken) {
  while (BytesToWrite() > 0) {
    const int chunk = static_cast<int>(std::min<uint64_t>(BytesToWrite(), 1 << 20));
    const int sent = send(connection_, out_.data() + outFrom_, chunk, 0);
    if (sent <= 0) return false;
    outFrom_ += static_cast<size_t>(sent);
    taken += static_cast<uint64_t>(sent);
  }
  return true;
}

bool WinsockSocketLayer::IsConnected() const { return state_ == State::Connected; }

bool WinsockSocketLayer::IsOpen() const {
  return state_ == State::Connecting || state_ == State::Connected;
}

std::string WinsockSocketLayer::RemoteAddress() const {
  if (state_ != State::Connected) return {};
  const std::optional<std::array<uint8_t, 4>> peer = PeerIPv4Address(connection_);
  return peer ? AddressToText(*peer) : std::string();
}

void WinsockSocketLayer::Write(const ByteString& bytes) {
  if (state_ != State::Connected || bytes.empty()) return;
  out_ += bytes;
  // Handed to the system from the message loop, so the link hears of it after this call.
  if (!drainPosted_) drainPosted_ = PostMessageW(window_, kDrain, 0, 0) != 0;
}

uint64_t WinsockSocketLayer::BytesToWrite() const { return out_.size() - outFrom_; }

void WinsockSocketLayer::Drain() {
  if (state_ != State::Connected) return;
  uint64_t written = 0;
  if (!SendQueued(written)) {
    const int error = WSAGetLastError();
    // On WSAEWOULDBLOCK, FD_WRITE comes when there is room again.
    if (error != WSAEWOULDBLOCK) return PeerEnded(error);
  }
  if (outFrom_ == out_.size()) {
    out_.clear();
    outFrom_ = 0;
  } else if (outFrom_ >= kReadChunk) {
    out_.erase(0, outFrom_);
    outFrom_ = 0;
  }
  if (written > 0) link_.OnBytesWritten(written);
}

ByteString WinsockSocketLayer::Read() {
  if (state_ == State::Connected) {
    if (!readArmed_) return {};
    readArmed_ = false;
  } else if (state_ != State::Ended) {
    return {};
  }
  const int got = recv(connection_, readBuffer_.data(), static_cast<int>(readBuffer_.size()), 0);
  if (got > 0) return ByteString(readBuffer_.data(), static_cast<size_t>(got));
  // Once the peer has ended the connection, what it sent before is all read: it can go.
  if (state_ == State::Ended) CloseConnectionSocket();
  return {};
}

void WinsockSocketLayer::OnConnectionEvent(int event, int error) {
  switch (event) {
    case FD_CONNECT:
      if (state_ != State::Connecting) return;
      if (error != 0) {
        CloseConnectionSocket();
        return link_.OnBroken();
      }
      state_ = State::Connected;
      return link_.OnConnected();
    case FD_READ:
      readArmed_ = true;
      return link_.OnReadable();
    case FD_WRITE:
      return Drain();
    case FD_CLOSE:
      return PeerEnded(error);
    default:
      return;
  }
}

void WinsockSocketLayer::PeerEnded(int error) {
  if (state_ != State::Connected) return;
  state_ = State::Ended;
  out_.clear();
  outFrom_ = 0;
  // What the peer sent before it went reaches the link before the end does.
  const std::shared_ptr<bool> alive = alive_;
  link_.OnReadable();
  if (!*alive) return;
  IsPeerEnd(error) ? link_.OnDisconnected() : link_.OnBroken();
}

void WinsockSocketLayer::Post(std::function<void()> task) {
  tasks_.push_back(std::move(task));
  PostMessageW(window_, kRunTask, 0, 0);
}
