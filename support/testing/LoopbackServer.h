// A small HTTP server on 127.0.0.1 for tests: canned replies per request
// target, a record of the request lines received, and connections held open
// without an answer (a server that never replies).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class TLoopbackServer {
 public:
  struct TReply {
    int status = 200;
    std::string body;
    // Never answer: the connection stays open until the server stops.
    bool hold = false;
  };

  // Listens on a free port; throws std::runtime_error when it cannot.
  TLoopbackServer();
  // Stops listening, closes the held connections and waits for every
  // connection to end.
  ~TLoopbackServer();
  TLoopbackServer(const TLoopbackServer&) = delete;
  TLoopbackServer& operator=(const TLoopbackServer&) = delete;

  std::uint16_t Port() const noexcept { return fPort; }
  // "http://127.0.0.1:PORT" followed by target.
  std::u16string Url(const std::string& target) const;

  // The reply to requests for target: the path with its query, as in the
  // request line ("/report?x=1"). Other targets get 404 with "Not Found".
  void Serve(const std::string& target, TReply reply);

  // The request lines received so far, e.g. "GET /report?x=1 HTTP/1.1".
  std::vector<std::string> RequestLines() const;
  // Waits until at least count requests have arrived; false on time-out.
  bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

 private:
  void AcceptLoop();
  void HandleConnection(std::uintptr_t client);
  TReply ReplyFor(const std::string& requestLine) const;

  std::uintptr_t fListener;
  std::uint16_t fPort = 0;
  mutable std::mutex fLock;
  mutable std::condition_variable fChanged;
  bool fStopping = false;
  std::map<std::string, TReply> fReplies;
  std::vector<std::string> fRequestLines;
  std::set<std::uintptr_t> fOpenClients;
  std::vector<std::thread> fConnections;
  std::thread fAcceptor;
};
