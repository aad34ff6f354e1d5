#include "app/tests/ReportServer.h"

#include <winsock2.h>

#include <chrono>
#include <stdexcept>

namespace {

// The request line; the rest of the head is read and dropped.
std::string ReadRequestLine(SOCKET client) {
  std::string head;
  char buffer[1024];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    const int received = recv(client, buffer, sizeof buffer, 0);
    if (received <= 0) break;
    head.append(buffer, static_cast<std::size_t>(received));
  }
  return head.substr(0, head.find("\r\n"));
}

}  // namespace

TReportServer::TReportServer(std::uint16_t port) : fListener(INVALID_SOCKET) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const BOOL reuse = TRUE;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
             sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (listener == INVALID_SOCKET ||
      bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, SOMAXCONN) != 0) {
    closesocket(listener);
    WSACleanup();
    throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(port));
  }
  fListener = listener;
  fAcceptor = std::thread([this] { AcceptLoop(); });
}

TReportServer::~TReportServer() {
  closesocket(fListener);
  fAcceptor.join();
  for (const std::uintptr_t client : fHeld) closesocket(client);
  WSACleanup();
}

void TReportServer::Reset(bool answer) {
  const std::lock_guard<std::mutex> lock(fLock);
  fAnswer = answer;
  fRequestLines.clear();
}

std::vector<std::string> TReportServer::RequestLines() const {
  const std::lock_guard<std::mutex> lock(fLock);
  return fRequestLines;
}

bool TReportServer::WaitForRequest(int milliseconds) const {
  std::unique_lock<std::mutex> lock(fLock);
  return fChanged.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return !fRequestLines.empty(); });
}

// One client at a time: the setup sends a single request.
void TReportServer::AcceptLoop() {
  for (;;) {
    const SOCKET client = accept(fListener, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    const std::string line = ReadRequestLine(client);
    std::unique_lock<std::mutex> lock(fLock);
    fRequestLines.push_back(line);
    fChanged.notify_all();
    if (!fAnswer) {
      fHeld.push_back(client);
      continue;
    }
    lock.unlock();
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nOK";
    send(client, reply.data(), static_cast<int>(reply.size()), 0);
    closesocket(client);
  }
}
