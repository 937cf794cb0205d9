#pragma once

#include "support/ProcessorHelpers.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>

namespace vorn::test
{

/** Points HOME at a fresh folder for each test, so the user preset folder is a scratch one, and builds the
    processor (whose construction scans that folder) afterwards. */
class ScratchHome : public ::testing::Test
{
protected:
    void SetUp() override
    {
        keep("HOME", oldHome);
        keep("XDG_CONFIG_HOME", oldXdg);

        home = makeScratchFolder("vorn-home");
        ASSERT_TRUE(home.isDirectory());
        setenv("HOME", home.getFullPathName().toRawUTF8(), 1);
        unsetenv("XDG_CONFIG_HOME");

        processor = std::make_unique<VornReverbAudioProcessor>();
    }

    void TearDown() override
    {
        processor.reset();
        restore("HOME", oldHome);
        restore("XDG_CONFIG_HOME", oldXdg);
        home.deleteRecursively();
    }

    juce::AudioProcessorValueTreeState& state() { return processor->parameters(); }
    PresetManager& manager() { return processor->presetManager; }
    float value(const juce::String& id) { return valueOf(state(), id); }

    /** Every parameter's value in real units, by identifier. */
    std::map<juce::String, float> snapshot()
    {
        std::map<juce::String, float> values;
        for (auto* parameter : processor->getParameters())
            if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*>(parameter))
                values[ranged->getParameterID()] = value(ranged->getParameterID());
        return values;
    }

    /** Moves every parameter to a value of its own, away from the defaults and the factory programs. */
    void scramble()
    {
        int i = 0;
        for (auto* parameter : processor->getParameters())
            parameter->setValueNotifyingHost(0.13f + 0.021f * static_cast<float>(i++));
    }

    /** The preset folder, created, for tests that put files there by hand. */
    juce::File presetFolder()
    {
        const auto dir = PresetManager::userDir();
        EXPECT_TRUE(dir.createDirectory().wasOk());
        return dir;
    }

    juce::File home;
    std::unique_ptr<VornReverbAudioProcessor> processor;

private:
    struct Saved
    {
        bool present = false;
        std::string text;
    };

    static void keep(const char* name, Saved& saved)
    {
        const auto* text = std::getenv(name);
        saved.present = text != nullptr;
        saved.text = text != nullptr ? text : "";
    }

    static void restore(const char* name, const Saved& saved)
    {
        if (saved.present)
            setenv(name, saved.text.c_str(), 1);
        else
            unsetenv(name);
    }

    Saved oldHome, oldXdg;
};

/** Counts the change messages a broadcaster delivers. */
struct ChangeCounter : juce::ChangeListener
{
    explicit ChangeCounter(juce::ChangeBroadcaster& b) : broadcaster(b)
    {
        broadcaster.dispatchPendingMessages(); // earlier messages are not ours
        broadcaster.addChangeListener(this);
    }

    ~ChangeCounter() override { broadcaster.removeChangeListener(this); }

    /** Messages delivered since the last call. */
    int take()
    {
        broadcaster.dispatchPendingMessages();
        const auto n = count;
        count = 0;
        return n;
    }

    void changeListenerCallback(juce::ChangeBroadcaster*) override { ++count; }

    juce::ChangeBroadcaster& broadcaster;
    int count = 0;
};

} // namespace vorn::test
