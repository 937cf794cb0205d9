// The host's audio thread keeps calling processBlock while the message thread loads and steps programs, saves and
// restores the state, presses BUZZER and opens and closes the editor. Run under ThreadSanitizer by
// scripts/sanitizers.sh; here it checks that nothing crashes, the audio stays sane and the last state set wins.
#include "support/ProcessorHelpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <map>
#include <thread>

using vorn::test::makePreparedProcessor;
using vorn::test::setParameter;
using vorn::test::valueOf;

namespace juce
{
// The framework's own step of its message loop; modal loops are off, so the test runs the queue with it.
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
} // namespace juce

namespace
{
void deliverPendingMessages()
{
    for (int i = 0; i < 1000 && juce::dispatchNextMessageOnSystemQueue(true); ++i)
    {
    }
}

std::map<juce::String, float> allValues(VornReverbAudioProcessor& processor)
{
    std::map<juce::String, float> values;
    for (auto* base : processor.getParameters())
        if (auto* parameter = dynamic_cast<juce::RangedAudioParameter*>(base))
            values[parameter->getParameterID()] = valueOf(processor.parameters(), parameter->getParameterID());
    return values;
}

/** Plays blocks of noise on its own thread, as a host's audio callback does, until stopped. */
class AudioThread
{
public:
    explicit AudioThread(VornReverbAudioProcessor& p) : processor(p), thread([this] { run(); }) {}

    ~AudioThread() { stop(); }

    void stop()
    {
        running = false;
        if (thread.joinable())
            thread.join();
    }

    /** Waits until at least one more block has been processed, so the two threads really interleave. */
    void waitForNextBlock() const
    {
        const auto seen = blocks.load();
        for (int spin = 0; spin < 100000 && blocks.load() == seen; ++spin)
            std::this_thread::yield();
    }

    std::atomic<int> blocks{0};
    std::atomic<int> badSamples{0};

private:
    void run()
    {
        juce::AudioBuffer<float> buffer(2, kBlockSize);
        juce::MidiBuffer midi;
        juce::Random random(3);
        while (running)
        {
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < kBlockSize; ++i)
                    buffer.setSample(ch, i, 0.4f * (random.nextFloat() * 2.0f - 1.0f));
            processor.processBlock(buffer, midi);
            for (int ch = 0; ch < 2; ++ch)
                for (int i = 0; i < kBlockSize; ++i)
                    if (const auto y = buffer.getSample(ch, i); !std::isfinite(y) || std::abs(y) > 1.0f)
                        ++badSamples;
            ++blocks;
        }
    }

    static constexpr int kBlockSize = 128;
    VornReverbAudioProcessor& processor;
    std::atomic<bool> running{true};
    std::thread thread;
};
} // namespace

TEST(Concurrency, MessageThreadWorkDuringPlaybackLeavesTheLastStateSet)
{
    // The state restored last, made by another instance so that it differs from everything the loop sets.
    juce::MemoryBlock finalState;
    std::map<juce::String, float> expected;
    {
        VornReverbAudioProcessor source;
        source.presetManager.load(33);
        setParameter(source.parameters(), "t1", 611.0f);
        setParameter(source.parameters(), "effectMode", 4.0f);
        source.parameters().state.setProperty("memory4_used", true, nullptr);
        source.parameters().state.setProperty("memory4_name", "Last", nullptr);
        source.getStateInformation(finalState);
        expected = allValues(source);
    }

    auto processor = makePreparedProcessor(48000.0, 128);
    auto& programs = processor->presetManager;
    AudioThread audio(*processor);

    juce::MemoryBlock saved;
    for (int round = 0; round < 60; ++round)
    {
        programs.load((round * 5) % 46);
        audio.waitForNextBlock();
        programs.step(+1, "All");
        programs.step(-1, round % 2 == 0 ? "Drums" : "Rev+Delay");
        audio.waitForNextBlock();

        processor->getStateInformation(saved);
        setParameter(processor->parameters(), "decay", float(round));
        processor->setStateInformation(saved.getData(), int(saved.getSize()));
        audio.waitForNextBlock();

        processor->buzzerEnabled = round % 3 == 0;
        processor->buzzerTrigger = true;
        processor->consumeMeterPeak();

        if (round % 10 == 0)
        {
            // The editor is created and destroyed any number of times while the audio runs; its timers are
            // given the chance to fire in between.
            auto* editor = processor->createEditorIfNeeded();
            ASSERT_NE(editor, nullptr);
            for (int tick = 0; tick < 3; ++tick)
            {
                audio.waitForNextBlock();
                juce::Thread::sleep(20);
                deliverPendingMessages();
            }
            delete editor;
        }
        deliverPendingMessages();
    }

    processor->setStateInformation(finalState.getData(), int(finalState.getSize()));
    audio.waitForNextBlock();
    audio.waitForNextBlock();
    audio.stop();
    deliverPendingMessages();

    EXPECT_GT(audio.blocks.load(), 60);
    EXPECT_EQ(audio.badSamples.load(), 0);
    EXPECT_EQ(allValues(*processor), expected);
    EXPECT_EQ(processor->parameters().state.getProperty("memory4_name").toString(), "Last");
}
