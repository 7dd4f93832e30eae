#include "platform/child_process.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

ChildOutcome RunShell(const std::string& script, const std::string& folder = {}, int* waits = nullptr)
{
    return RunChildProcess("/bin/sh", {"-c", script}, folder, [waits] {
        if (waits)
            ++*waits;
    });
}

}  // namespace

TEST(ChildProcess, ReportsExitStatusAndKeepsStandardErrorOnly)
{
    const ChildOutcome ok = RunShell("echo to-stdout; echo first >&2; echo last >&2");
    EXPECT_TRUE(ok.started);
    EXPECT_TRUE(ok.exitedNormally);
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.standardError, "first\nlast\n");

    const ChildOutcome failed = RunShell("exit 3");
    EXPECT_TRUE(failed.exitedNormally);
    EXPECT_EQ(failed.exitCode, 3);

    const ChildOutcome killed = RunShell("kill -9 $$");
    EXPECT_TRUE(killed.started);
    EXPECT_FALSE(killed.exitedNormally);
}

TEST(ChildProcess, MissingProgramIsNotStarted)
{
    EXPECT_FALSE(RunChildProcess("/nonexistent/runner", {}, {}, [] {}).started);
}

TEST(ChildProcess, RunsInTheFolderGivenAndKeepsTheCallerAlive)
{
    const std::string folder = std::filesystem::temp_directory_path().string();
    int waits = 0;
    const ChildOutcome outcome = RunShell("pwd >&2; sleep 0.35", folder, &waits);
    EXPECT_EQ(outcome.standardError, std::filesystem::canonical(folder).string() + "\n");
    EXPECT_GE(waits, 2);
}

TEST(ChildProcess, MoreErrorOutputThanAPipeHoldsDoesNotBlock)
{
    const ChildOutcome outcome = RunShell("head -c 300000 /dev/zero | tr '\\0' x >&2");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.standardError.size(), 300000u);
}
