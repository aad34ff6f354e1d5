// Hand-overs from other threads to the main thread.
#include <deque>
#include <exception>

#include "support/Win32.h"

namespace {

struct THandOver {
  const std::function<void()>* fn;
  HANDLE done;
};

// Static initialisation runs on the main thread. Its message queue is made
// now, so that a wake-up posted before its first message loop is kept.
DWORD MainThreadIdWithQueue() {
  MSG message;
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  return GetCurrentThreadId();
}

const DWORD gMainThreadId = MainThreadIdWithQueue();
win::TCriticalSection gLock;
std::deque<THandOver*> gWaiting;

THandOver* NextHandOver() {
  const win::TCriticalSection::TLock lock(gLock);
  if (gWaiting.empty()) return nullptr;
  THandOver* next = gWaiting.front();
  gWaiting.pop_front();
  return next;
}

// Releases the waiting thread however its fn ends.
struct TRelease {
  HANDLE done;
  ~TRelease() { SetEvent(done); }
};

}  // namespace

void Synchronize(const std::function<void()>& fn) {
  if (GetCurrentThreadId() == gMainThreadId) {
    fn();
    return;
  }
  const win::TKernelHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) throw Exception(win::SysErrorMessage(GetLastError()));
  THandOver handOver{&fn, done.Get()};
  {
    const win::TCriticalSection::TLock lock(gLock);
    gWaiting.push_back(&handOver);
  }
  PostThreadMessageW(gMainThreadId, WM_NULL, 0, 0);
  WaitForSingleObject(done.Get(), INFINITE);
}

void CheckSynchronize() {
  if (GetCurrentThreadId() != gMainThreadId) return;
  while (THandOver* handOver = NextHandOver()) {
    const TRelease release{handOver->done};
    (*handOver->fn)();
  }
}
