// The shell runner the checker tests stand on: if it loses an exit status or
// mangles a path, every cross-check built on it proves nothing.
#include "testsupport/ToolRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path freshFolder(const std::string& name)
{
    const fs::path folder =
        fs::temp_directory_path() / ("vxf_toolrun_" + std::to_string(::getpid()) + "_" + name);
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder);
    return folder;
}

}  // namespace

TEST(RunTool, GivesTheExitStatus)
{
    EXPECT_EQ(runTool("true").status, 0);
    EXPECT_EQ(runTool("exit 3").status, 3);
    EXPECT_EQ(runTool("exit 255").status, 255);
}

TEST(RunTool, DeathBySignalIsNoExitStatus)
{
    EXPECT_EQ(runTool("kill -KILL $$").status, -1);
}

TEST(RunTool, StandardErrorMergedDroppedOrPassedOn)
{
    const std::string both = "{ printf out; printf err >&2; }";
    EXPECT_EQ(runTool(both).output, "outerr");
    EXPECT_EQ(runTool(both, ToolErrors::merged).output, "outerr");
    EXPECT_EQ(runTool(both, ToolErrors::dropped).output, "out");
    EXPECT_EQ(runTool("{ printf out; printf '' >&2; }", ToolErrors::passedOn).output, "out");
}

// The redirection is added to the line as written: the callers' pipes and
// lists get it on their last command only, which they rely on.
TEST(RunTool, RedirectionCoversTheLastCommandOfTheLine)
{
    EXPECT_EQ(runTool("sh -c 'printf first >&2'; printf out; sh -c 'printf last >&2'").output,
              "outlast");
}

TEST(RunTool, KeepsBinaryOutputWhole)
{
    const ToolRun run = runTool("head -c 100000 /dev/zero; printf '\\377'");
    ASSERT_EQ(run.output.size(), 100001u);
    EXPECT_EQ(run.output[0], '\0');
    EXPECT_EQ(static_cast<unsigned char>(run.output.back()), 0xFFu);
}

TEST(ShellQuoted, AwkwardNamesReachTheToolUnchanged)
{
    const fs::path folder = freshFolder("quoted");
    for (const std::string name : {"plain.txt", "with space.txt", "it's.txt", "''.txt",
                                   "$HOME `x` \\n *.txt", "semi;colon|pipe&.txt"}) {
        const fs::path file = folder / name;
        std::ofstream(file) << "body of " << name;
        const ToolRun run = runTool("cat " + shellQuoted(file));
        EXPECT_EQ(run.status, 0) << name << ": " << run.output;
        EXPECT_EQ(run.output, "body of " + name);
    }
    fs::remove_all(folder);
}

TEST(FindOnPath, FindsTheShellAndNothingForAMissingName)
{
    const std::string sh = findOnPath("sh");
    ASSERT_FALSE(sh.empty());
    EXPECT_EQ(fs::path(sh).filename(), "sh");
    EXPECT_TRUE(fs::is_regular_file(sh));
    EXPECT_TRUE(findOnPath("vxf-no-such-tool").empty());
    EXPECT_TRUE(toolOnPath("sh"));
    EXPECT_FALSE(toolOnPath("vxf-no-such-tool"));
}

TEST(FindOnPath, LooksInEveryFolderInOrder)
{
    const fs::path folder = freshFolder("path");
    fs::create_directories(folder / "a");
    fs::create_directories(folder / "b");
    std::ofstream(folder / "b" / "tool") << "";
    std::ofstream(folder / "c") << "";  // a file, not a folder
    const char* old = std::getenv("PATH");
    const std::string saved = old ? old : "";
    const std::string list =
        (folder / "a").string() + "::" + (folder / "c").string() + ":" + (folder / "b").string();
    ::setenv("PATH", list.c_str(), 1);
    const std::string found = findOnPath("tool");
    std::ofstream(folder / "a" / "tool") << "";
    const std::string first = findOnPath("tool");
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(found, (folder / "b" / "tool").string());
    EXPECT_EQ(first, (folder / "a" / "tool").string());
    fs::remove_all(folder);
}
