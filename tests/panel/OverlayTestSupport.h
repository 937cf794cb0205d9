#pragma once

#include <juce_events/juce_events.h>

namespace juce
{
// The framework's own step of its message loop (juce_events, Linux and Windows); modal loops are off, so the
// tests run the queue with it.
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
} // namespace juce

namespace vorn_test
{
/** Delivers every message already posted (asynchronous clicks, text changes, change broadcasts), then returns. */
inline void pumpMessages()
{
    for (int i = 0; i < 1000 && juce::dispatchNextMessageOnSystemQueue(true); ++i)
    {
    }
}
} // namespace vorn_test
