#include "support/testing/LoopbackServer.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <stdexcept>

namespace {

// The longest request head that is read.
constexpr std::size_t kMaxHead = 65536;

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

// The request head up to its empty line; what came before an early end or
// error otherwise.
std::string ReadHead(SOCKET client) {
  std::string head;
  char buffer[1024];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHead) {
    const int received = recv(client, buffer, sizeof buffer, 0);
    if (received <= 0) break;
    head.append(buffer, static_cast<std::size_t>(received));
  }
  return head;
}

void SendAll(SOCKET client, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const int n = send(client, data.data() + sent, static_cast<int>(data.size() - sent), 0);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

struct TWinsock {
  TWinsock() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  }
  ~TWinsock() { WSACleanup(); }
};

}  // namespace

TLoopbackServer::TLoopbackServer() : fListener(INVALID_SOCKET) {
  static TWinsock winsock;
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, SOMAXCONN) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(listener);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  fListener = listener;
  fPort = ntohs(address.sin_port);
  fAcceptor = std::thread([this] { AcceptLoop(); });
}

TLoopbackServer::~TLoopbackServer() {
  {
    const std::lock_guard<std::mutex> lock(fLock);
    fStopping = true;
    // Wakes connections that wait for a request that never comes.
    for (const std::uintptr_t client : fOpenClients) shutdown(client, SD_BOTH);
  }
  fChanged.notify_all();
  fAcceptor.join();
  for (std::thread& connection : fConnections) connection.join();
  closesocket(fListener);
}

std::u16string TLoopbackServer::Url(const std::string& target) const {
  const std::string url = "http://127.0.0.1:" + std::to_string(fPort) + target;
  return std::u16string(url.begin(), url.end());
}

void TLoopbackServer::Serve(const std::string& target, TReply reply) {
  const std::lock_guard<std::mutex> lock(fLock);
  fReplies[target] = std::move(reply);
}

std::vector<std::string> TLoopbackServer::RequestLines() const {
  const std::lock_guard<std::mutex> lock(fLock);
  return fRequestLines;
}

bool TLoopbackServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(fLock);
  return fChanged.wait_for(lock, timeout, [&] { return fRequestLines.size() >= count; });
}

void TLoopbackServer::AcceptLoop() {
  for (;;) {
    {
      const std::lock_guard<std::mutex> lock(fLock);
      if (fStopping) return;
    }
    // Polls, so that the loop sees the server stop.
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fListener, &readable);
    timeval wait{0, 20000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    const SOCKET client = accept(fListener, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    const std::lock_guard<std::mutex> lock(fLock);
    // Accepted while the server stopped: the shutdown pass has not seen it.
    if (fStopping) {
      closesocket(client);
      return;
    }
    fOpenClients.insert(client);
    fConnections.emplace_back([this, client] { HandleConnection(client); });
  }
}

TLoopbackServer::TReply TLoopbackServer::ReplyFor(const std::string& requestLine) const {
  const std::size_t start = requestLine.find(' ');
  const std::size_t end = requestLine.rfind(' ');
  if (start != std::string::npos && end > start) {
    const auto found = fReplies.find(requestLine.substr(start + 1, end - start - 1));
    if (found != fReplies.end()) return found->second;
  }
  return TReply{404, "Not Found", false};
}

void TLoopbackServer::HandleConnection(std::uintptr_t client) {
  const std::string head = ReadHead(client);
  const std::size_t lineEnd = head.find("\r\n");
  if (lineEnd != std::string::npos) {
    TReply reply;
    {
      std::unique_lock<std::mutex> lock(fLock);
      const std::string line = head.substr(0, lineEnd);
      fRequestLines.push_back(line);
      reply = ReplyFor(line);
      fChanged.notify_all();
      if (reply.hold) fChanged.wait(lock, [this] { return fStopping; });
    }
    if (!reply.hold) {
      SendAll(client,
              "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonPhrase(reply.status) +
                  "\r\nContent-Type: text/plain\r\nContent-Length: " +
                  std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n" + reply.body);
      shutdown(client, SD_SEND);
    }
  }
  const std::lock_guard<std::mutex> lock(fLock);
  fOpenClients.erase(client);
  closesocket(client);
}
