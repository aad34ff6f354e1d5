// Hand-overs from other threads to the main thread.
#pragma once

#include <functional>

// Runs fn on the main thread the next time it processes its messages, and
// waits until it has run. On the main thread itself it runs fn at once.
void Synchronize(const std::function<void()>& fn);
// Runs the hand-overs that are waiting; the main thread's message processing
// calls it. An error that a hand-over raises passes on to the caller once its
// thread has been released; the hand-overs after it wait for the next call.
void CheckSynchronize();
