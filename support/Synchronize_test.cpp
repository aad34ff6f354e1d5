#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "support/Synchronize.h"
#include "support/testing/MessagePump.h"

namespace {

using namespace std::chrono_literals;

TEST(Synchronize, OnTheMainThreadRunsAtOnce) {
  DWORD ranOn = 0;
  Synchronize([&] { ranOn = GetCurrentThreadId(); });
  EXPECT_EQ(ranOn, GetCurrentThreadId());
}

TEST(Synchronize, WaitsUntilTheMainThreadRunsIt) {
  const DWORD mainThread = GetCurrentThreadId();
  DWORD ranOn = 0;
  std::atomic<bool> returned{false};
  std::thread worker([&] {
    // Runs nothing here: the hand-overs belong to the main thread.
    CheckSynchronize();
    Synchronize([&] { ranOn = GetCurrentThreadId(); });
    returned = true;
  });
  // The hand-over wakes a main thread that waits for messages.
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 10000, QS_ALLPOSTMESSAGE), WAIT_OBJECT_0);
  Sleep(100);
  EXPECT_FALSE(returned);
  EXPECT_EQ(ranOn, 0u);
  EXPECT_TRUE(PumpMessagesUntil([&] { return returned.load(); }, 10s));
  worker.join();
  EXPECT_EQ(ranOn, mainThread);
}

TEST(Synchronize, ErrorPassesToTheMainThreadAndReleasesTheCaller) {
  std::atomic<int> finished{0};
  std::atomic<int> ran{0};
  const auto handOver = [&](bool fail) {
    Synchronize([&, fail] {
      ++ran;
      if (fail) throw std::runtime_error("handler failed");
    });
    ++finished;
  };
  std::thread failing(handOver, true);
  while (ran == 0) {
    Sleep(10);
    try {
      CheckSynchronize();
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "handler failed");
    }
  }
  failing.join();
  EXPECT_EQ(finished, 1);
  // The hand-overs go on working afterwards.
  std::thread next(handOver, false);
  EXPECT_TRUE(PumpMessagesUntil([&] { return finished == 2; }, 10s));
  next.join();
  EXPECT_EQ(ran, 2);
}

}  // namespace
