// The report server of the test variant of the setup: an HTTP listener on the
// fixed loopback port built into that variant. It records the request lines
// and either answers every request at once or never answers.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TReportServer {
 public:
  // Throws std::runtime_error when the port cannot be had.
  explicit TReportServer(std::uint16_t port);
  ~TReportServer();
  TReportServer(const TReportServer&) = delete;
  TReportServer& operator=(const TReportServer&) = delete;

  // Answering or silent from the next request on; forgets what was received.
  void Reset(bool answer);
  std::vector<std::string> RequestLines() const;
  // Waits until a request has arrived; false on time-out.
  bool WaitForRequest(int milliseconds) const;

 private:
  void AcceptLoop();

  std::uintptr_t fListener;
  mutable std::mutex fLock;
  mutable std::condition_variable fChanged;
  bool fAnswer = true;
  std::vector<std::string> fRequestLines;
  std::vector<std::uintptr_t> fHeld;  // connections left without an answer
  std::thread fAcceptor;
};
