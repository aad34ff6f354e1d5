#include "support/testing/LoopbackServer.h"

#include <winsock2.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// A raw client, to see what the server sends and when it closes.
class TClient {
 public:
  explicit TClient(std::uint16_t port) : fSocket(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    fConnected = connect(fSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~TClient() { closesocket(fSocket); }

  bool Connected() const { return fConnected; }
  void Send(const std::string& data) { send(fSocket, data.data(), int(data.size()), 0); }
  // Waits up to timeout for data or the end of the connection.
  bool Readable(std::chrono::milliseconds timeout) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fSocket, &readable);
    timeval wait{0, static_cast<long>(timeout.count() * 1000)};
    return select(0, &readable, nullptr, nullptr, &wait) == 1;
  }
  // Everything up to the end of the connection.
  std::string ReadAll() {
    std::string data;
    char buffer[512];
    for (int n; (n = recv(fSocket, buffer, sizeof buffer, 0)) > 0;) data.append(buffer, n);
    return data;
  }

 private:
  SOCKET fSocket;
  bool fConnected = false;
};

TEST(LoopbackServer, AnswersWithTheCannedReply) {
  TLoopbackServer server;
  server.Serve("/a?b=1", {200, "hello"});
  TClient client(server.Port());
  ASSERT_TRUE(client.Connected());
  client.Send("GET /a?b=1 HTTP/1.1\r\nHost: x\r\n\r\n");
  const std::string reply = client.ReadAll();
  EXPECT_EQ(reply.substr(0, 15), "HTTP/1.1 200 OK");
  EXPECT_EQ(reply.substr(reply.size() - 9), "\r\n\r\nhello");
  EXPECT_EQ(server.RequestLines(), std::vector<std::string>{"GET /a?b=1 HTTP/1.1"});
}

TEST(LoopbackServer, UnknownTargetIsNotFound) {
  TLoopbackServer server;
  TClient client(server.Port());
  client.Send("GET /missing HTTP/1.1\r\n\r\n");
  EXPECT_EQ(client.ReadAll().substr(0, 22), "HTTP/1.1 404 Not Found");
}

TEST(LoopbackServer, HeldConnectionGetsNoAnswerUntilTheServerStops) {
  auto server = std::make_unique<TLoopbackServer>();
  server->Serve("/never", {200, "unused", true});
  TClient client(server->Port());
  client.Send("GET /never HTTP/1.1\r\n\r\n");
  ASSERT_TRUE(server->WaitForRequests(1, 5s));
  EXPECT_FALSE(client.Readable(300ms));
  // A client that never sends a request does not keep the server from stopping.
  TClient silent(server->Port());
  server.reset();
  EXPECT_EQ(client.ReadAll(), "");
}

}  // namespace
