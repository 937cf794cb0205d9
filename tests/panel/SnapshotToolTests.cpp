#include "PanelTestSupport.h"
#include "support/ToolRun.h"

#include <gtest/gtest.h>

namespace
{
vorn::test::ToolRun runSnapshotTool(const juce::StringArray& arguments)
{
    juce::StringArray command(VORN_SNAPSHOT_TOOL);
    command.addArray(arguments);
    return vorn::test::runTool(command);
}
} // namespace

TEST(SnapshotTool, WritesThePanelHeadless)
{
    const juce::TemporaryFile target(".png");
    const auto run = runSnapshotTool({"--width", "672", "--out", target.getFile().getFullPathName()});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const auto image = juce::ImageFileFormat::loadFrom(target.getFile());
    ASSERT_TRUE(image.isValid());
    EXPECT_EQ(image.getWidth(), 672);
    EXPECT_EQ(image.getHeight(), 336);

    // The same panel the editor tests see, one refresh tick after opening.
    vorn_test::expectMatchesSnapshot(image, "editor_672");
}

TEST(SnapshotTool, RefusesWidthsTheEditorCannotTake)
{
    for (const auto* width : {"671", "2017", "wide", ""})
    {
        const juce::TemporaryFile target(".png");
        const auto run = runSnapshotTool({"--width", width, "--out", target.getFile().getFullPathName()});
        EXPECT_EQ(run.exitCode, 2) << "width '" << width << "': " << run.output;
        EXPECT_FALSE(target.getFile().existsAsFile()) << width;
    }
}
