#pragma once

#include <juce_core/juce_core.h>

namespace vorn::test
{

/** What a command-line tool printed (standard output and error together) and its exit code. */
struct ToolRun
{
    int exitCode = -1;
    juce::String output;
};

/** Runs a command as a user would from a shell and waits for it (at most two minutes). */
inline ToolRun runTool(const juce::StringArray& command)
{
    ToolRun run;
    juce::ChildProcess child;
    if (!child.start(command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
    {
        run.output = "cannot start " + command[0];
        return run;
    }
    run.output = child.readAllProcessOutput();
    child.waitForProcessToFinish(120000);
    run.exitCode = static_cast<int>(child.getExitCode());
    return run;
}

} // namespace vorn::test
