// Hand-overs from other threads to the main thread.
#include "support/Synchronize.h"

#include <deque>
#include <exception>

#include "support/Errors.h"
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

// Never destroyed: a thread may still hand over while the program ends, after
// the globals have gone; the system then ends that thread.
struct TWaiting {
  win::TCriticalSection lock;
  std::deque<THandOver*> handOvers;
};
TWaiting& Waiting() {
  static TWaiting& waiting = *new TWaiting;
  return waiting;
}

THandOver* NextHandOver() {
  TWaiting& waiting = Waiting();
  const win::TCriticalSection::TLock lock(waiting.lock);
  if (waiting.handOvers.empty()) return nullptr;
  THandOver* next = waiting.handOvers.front();
  waiting.handOvers.pop_front();
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
    TWaiting& waiting = Waiting();
    const win::TCriticalSection::TLock lock(waiting.lock);
    waiting.handOvers.push_back(&handOver);
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
