#pragma once

#include "OverlayTestSupport.h"
#include "PanelTestSupport.h"

#include "editor/PluginEditor.h"
#include "plugin/PresetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

namespace vorn_test
{
/** A real editor on a real processor, with a scratch user preset folder, operated as a user would: keys are
    clicked through the framework's own click path, the naming question is answered by the test.

    The editor's refresh timer is stopped so that no tick runs in the middle of a test; tests that need a tick call
    timerCallback() themselves. */
struct LivePanel : vorn::test::ScratchHome
{
    using Editor = VornReverbAudioProcessorEditor;

    void SetUp() override
    {
        ScratchHome::SetUp();
        pumpMessages(); // the manager's first scan is announced before any editor exists
        openEditor();
    }

    void TearDown() override
    {
        editor.reset();
        pumpMessages();
        ScratchHome::TearDown();
    }

    void openEditor()
    {
        editor = std::make_unique<Editor>(*processor);
        editor->stopTimer();
        editor->askMemoryName = [this](const juce::String& prefilled, Editor::NameAnswer answer)
        {
            askedNames.push_back(prefilled);
            pendingAnswer = std::move(answer);
        };
    }

    /** A click on a key, delivered as the framework delivers one. */
    void click(vorn_panel::PanelKey& key)
    {
        key.triggerClick();
        pumpMessages();
    }

    /** Keys in digits and points on the keypad. */
    void keyIn(const juce::String& keys)
    {
        for (const auto c : keys)
        {
            if (c == '.')
                click(editor->pointKey);
            else
                click(editor->digitKeys[static_cast<size_t>(c - '0')]);
        }
    }

    void enter() { click(editor->enterKey); }

    /** The matrix key of a parameter. */
    vorn_panel::PanelKey& matrixKey(const juce::String& id)
    {
        const auto& table = vorn::matrixTable();

        for (size_t i = 0; i < std::size(table); ++i)
            if (id == table[i].paramId)
                return editor->matrixKeys[i];

        ADD_FAILURE() << "no matrix key for " << id;
        return editor->matrixKeys[22];
    }

    /** Answers the open naming question as SAVE (1) or CANCEL (0) with the text in the field. */
    void answerNaming(int result, const juce::String& name)
    {
        ASSERT_TRUE(pendingAnswer != nullptr) << "no naming question is open";
        auto answer = std::move(pendingAnswer);
        pendingAnswer = nullptr;
        answer(result, name);
    }

    /** Every parameter as in `expected`, to within float rounding of a value that went to the host and back. */
    void expectValues(const std::map<juce::String, float>& expected)
    {
        const auto now = snapshot();
        ASSERT_EQ(now.size(), expected.size());
        for (const auto& [id, v] : expected)
            EXPECT_NEAR(now.at(id), v, 1.0e-5f * std::max(1.0f, std::abs(v))) << id;
    }

    juce::var stateProperty(const juce::String& name) { return state().copyState().getProperty(name); }

    std::unique_ptr<Editor> editor;
    std::vector<juce::String> askedNames;
    Editor::NameAnswer pendingAnswer;
};
} // namespace vorn_test
