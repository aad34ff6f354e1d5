#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>

#include "support/Errors.h"
#include "support/Text.h"
#include "support/Web.h"
#include "support/testing/LoopbackServer.h"
#include "support/testing/MessagePump.h"

namespace {

using namespace std::chrono_literals;

// A host name that never resolves (RFC 2606).
constexpr char16_t kUnresolvable[] = u"http://tessera-report.invalid/php/UserSetup.php";

std::string Bytes(std::string_view text) { return std::string(text); }

struct TBodyCase {
  const char* name;
  int status;
  std::string body;
  std::u16string text;
};

class GetUrlStrTest : public testing::TestWithParam<TBodyCase> {
 protected:
  TLoopbackServer fServer;
};

TEST_P(GetUrlStrTest, DecodesTheBody) {
  fServer.Serve("/body", {GetParam().status, GetParam().body});
  EXPECT_EQ(GetUrlStr(fServer.Url("/body")), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, GetUrlStrTest,
    testing::Values(
        // The status is not examined: an error page is read like any body.
        TBodyCase{"NotFoundPage", 404, "<html>gone</html>", u"<html>gone</html>"},
        TBodyCase{"Empty", 200, "", u""}, TBodyCase{"Utf8MarkAlone", 200, "\xEF\xBB\xBF", u""},
        TBodyCase{"Utf8MarkAndAbc", 200,
                  "\xEF\xBB\xBF"
                  "abc",
                  u"abc"},
        TBodyCase{"Utf16LeOddByteDropped", 200,
                  Bytes({"\xFF\xFE"
                         "A\0\xE9\0B",
                         7}),
                  u"A\u00E9"},
        TBodyCase{"Utf8", 200, "\xC3\xA9", u"\u00E9"}, TBodyCase{"Ansi", 200, "\xE9", u"\u00E9"},
        TBodyCase{"Ascii", 200, "report received", u"report received"},
        TBodyCase{"ZeroByte", 200, Bytes({"\xC3\xA9\0\xC3\xA9", 5}),
                  std::u16string(u"\u00E9\0\u00E9", 3)},
        TBodyCase{"LeadingZero", 200, Bytes({"\0\xC3\xA9", 3}),
                  std::u16string(u"\0\u00C3\u00A9", 3)},
        TBodyCase{"EncodedSurrogate", 200, "\xED\xA0\x80", PlatformUtf8ToUtf16("\xED\xA0\x80")},
        TBodyCase{"Large", 200, std::string(10000, 'x'), std::u16string(10000, u'x')}),
    [](const testing::TestParamInfo<TBodyCase>& info) { return info.param.name; });

class GetUrlStreamTest : public testing::Test {
 protected:
  void SetUp() override {
    for (std::size_t i = 0; i < fBody.size(); ++i) fBody[i] = static_cast<char>('a' + i % 26);
    fServer.Serve("/large", {200, fBody});
  }

  TLoopbackServer fServer;
  std::string fBody = std::string(100000, '\0');
};

TEST_F(GetUrlStreamTest, ReadsTheWholeBodyInChunks) {
  TMemoryByteStream stream;
  std::vector<std::int64_t> sizes;
  const auto progress = [&](bool&, std::int64_t received) { sizes.push_back(received); };
  EXPECT_TRUE(GetUrlStream(fServer.Url("/large"), stream, progress));
  EXPECT_EQ(stream.Bytes(), fBody);
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.back(), std::int64_t(fBody.size()));
  std::int64_t previous = 0;
  for (const std::int64_t size : sizes) {
    EXPECT_GT(size, previous);
    EXPECT_LE(size - previous, 4096);
    previous = size;
  }
  EXPECT_EQ(fServer.RequestLines(), std::vector<std::string>{"GET /large HTTP/1.1"});
}

TEST_F(GetUrlStreamTest, CancelOnTheFirstChunk) {
  TMemoryByteStream stream;
  int calls = 0;
  std::int64_t reported = 0;
  const auto progress = [&](bool& cancel, std::int64_t received) {
    ++calls;
    reported = received;
    cancel = true;
  };
  EXPECT_FALSE(GetUrlStream(fServer.Url("/large"), stream, progress));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(stream.Size(), reported);
  EXPECT_GT(reported, 0);
  EXPECT_LE(reported, 4096);
  EXPECT_EQ(stream.Bytes(), fBody.substr(0, stream.Bytes().size()));
}

TEST_F(GetUrlStreamTest, ErrorsOfTheStreamAndTheCallbackPassOn) {
  struct TFailingStream : TByteStream {
    void Write(const void*, std::size_t) override { throw std::runtime_error("disk full"); }
    std::int64_t Size() const override { return 0; }
  } failing;
  EXPECT_THROW(GetUrlStream(fServer.Url("/large"), failing, nullptr), std::runtime_error);
  TMemoryByteStream stream;
  const auto progress = [](bool&, std::int64_t) { throw EConvertError(u"stop"); };
  EXPECT_THROW(GetUrlStream(fServer.Url("/large"), stream, progress), EConvertError);
  // Both requests were answered and their connections closed.
  EXPECT_TRUE(GetUrlStream(fServer.Url("/large"), stream, nullptr));
}

TEST(GetUrlStream, FailsForWhatCannotBeOpened) {
  std::u16string refused;
  {
    const TLoopbackServer gone;
    refused = gone.Url("/report");
  }
  for (const std::u16string& url :
       {std::u16string(kUnresolvable), refused, std::u16string(u"not a url")}) {
    TMemoryByteStream stream;
    int calls = 0;
    EXPECT_FALSE(GetUrlStream(url, stream, [&](bool&, std::int64_t) { ++calls; }))
        << Utf16ToUtf8(url);
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(GetUrlStr(url), u"");
  }
}

// Records what it sees from the thread it runs on and when it goes.
class TProbeThread : public TGetUrlStrThread {
 public:
  explicit TProbeThread(std::atomic<bool>& destroyed) : fDestroyed(destroyed) {}

  std::atomic<bool> fExecuted{false};
  std::atomic<int> fPriority{0};

 protected:
  ~TProbeThread() override { fDestroyed = true; }
  void Execute() override {
    fPriority = GetThreadPriority(GetCurrentThread());
    TGetUrlStrThread::Execute();
    fExecuted = true;
  }

 private:
  std::atomic<bool>& fDestroyed;
};

struct TTermination {
  int calls = 0;
  DWORD threadId = 0;
  std::u16string returnStr;
};

class ReportThreadTest : public testing::Test {
 protected:
  // A thread for url + param whose OnTerminate records what it sees.
  TProbeThread* NewThread(const std::u16string& url, const std::u16string& param) {
    auto* thread = new TProbeThread(fDestroyed);
    thread->FUrl = url;
    thread->FParam = param;
    thread->OnTerminate = [this](TGetUrlStrThread* sender) {
      ++fTermination.calls;
      fTermination.threadId = GetCurrentThreadId();
      fTermination.returnStr = sender->FReturnStr;
    };
    fCreated = true;
    return thread;
  }

  // A case that failed early still lets its thread finish before the
  // fixture goes.
  void TearDown() override {
    if (fCreated) PumpUntilDestroyed();
  }

  bool PumpUntilDestroyed() {
    return PumpMessagesUntil([this] { return fDestroyed.load(); }, 20s);
  }

  TLoopbackServer fServer;
  std::atomic<bool> fDestroyed{false};
  bool fCreated = false;
  TTermination fTermination;
};

TEST_F(ReportThreadTest, HandsOnTerminateToTheMainThreadAndFreesItself) {
  fServer.Serve("/php/UserSetup.php?lang=2", {200, "\xC3\xA9t\xC3\xA9"});
  TProbeThread* thread = NewThread(fServer.Url("/php/UserSetup.php"), u"?lang=2");
  // Created suspended.
  Sleep(100);
  EXPECT_FALSE(thread->fExecuted);
  thread->Start();
  ASSERT_TRUE(fServer.WaitForRequests(1, 10s));
  // The fetch ends on its own; the hand-over waits for the main thread.
  for (int i = 0; i < 1000 && !thread->fExecuted; ++i) Sleep(10);
  ASSERT_TRUE(thread->fExecuted);
  Sleep(100);
  EXPECT_EQ(fTermination.calls, 0);
  EXPECT_FALSE(fDestroyed);
  EXPECT_EQ(thread->fPriority, THREAD_PRIORITY_BELOW_NORMAL);
  ASSERT_TRUE(PumpUntilDestroyed());
  EXPECT_EQ(fTermination.calls, 1);
  EXPECT_EQ(fTermination.threadId, GetCurrentThreadId());
  EXPECT_EQ(fTermination.returnStr, u"\u00E9t\u00E9");
  EXPECT_EQ(fServer.RequestLines(),
            std::vector<std::string>{"GET /php/UserSetup.php?lang=2 HTTP/1.1"});
  // Nothing more arrives.
  PumpMessagesUntil([] { return false; }, 200ms);
  EXPECT_EQ(fTermination.calls, 1);
}

TEST_F(ReportThreadTest, FailedFetchLeavesTheTextEmpty) {
  NewThread(kUnresolvable, u"")->Start();
  ASSERT_TRUE(PumpUntilDestroyed());
  EXPECT_EQ(fTermination.calls, 1);
  EXPECT_EQ(fTermination.returnStr, u"");
}

TEST_F(ReportThreadTest, WithoutOnTerminateFreesItselfUnaided) {
  fServer.Serve("/report", {200, "ok"});
  TProbeThread* thread = NewThread(fServer.Url("/report"), u"");
  thread->OnTerminate = nullptr;
  thread->Start();
  for (int i = 0; i < 200 && !fDestroyed; ++i) Sleep(50);
  EXPECT_TRUE(fDestroyed);
}

}  // namespace
