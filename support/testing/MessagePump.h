// The main thread's message processing for tests: dispatches the waiting
// messages and runs the hand-overs of other threads, as the toolkit's message
// loop does.
#pragma once

#include <chrono>
#include <functional>

// Processes messages until done() holds; false when timeout passes first.
bool PumpMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
