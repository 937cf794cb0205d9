#pragma once

#include <juce_events/juce_events.h>

#include <functional>

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

/** Runs the message loop until `done` holds or `timeoutMs` passes: for what a window system delivers in its own
    time, such as the keyboard focus of a window that has just opened. True when `done` held. */
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 3000)
{
    const auto end = juce::Time::getMillisecondCounter() + static_cast<juce::uint32>(timeoutMs);

    while (!done())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return false;

        pumpMessages();
        juce::Thread::sleep(5);
    }

    return true;
}
} // namespace vorn_test
