// vxfconv as a process: what it writes (checked with djpeg, exiftool and
// sox), its lines, summary and exit status, its answers to the job's
// questions, unreadable inputs, unusable destinations, the progress bar and
// Ctrl-C.
#include "engine/tests/UploadTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

extern char** environ;

namespace {

using Names = std::vector<std::string>;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<std::string> lines;  // of out
};

class Vxfconv : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = scratchFolder("vxfconv");
        const char* binary = std::getenv("VXF_BINARY_DIR");
        ASSERT_NE(binary, nullptr) << "VXF_BINARY_DIR names the build tree";
        program = fs::path(binary) / "bin" / "vxfconv";
        ASSERT_TRUE(fs::exists(program)) << program;
        dest = folder / "out";
    }

    fs::path source(const std::string& name, int width, int height)
    {
        const fs::path path = folder / name;
        const Rgb scene = makeScene(width, height);
        writeFileBytes(path, path.extension() == ".bmp" ? bmp24(scene) : baselineJpeg(scene, 85));
        return path;
    }
    fs::path wave(const std::string& name, double seconds)
    {
        const fs::path path = folder / name;
        writeFileBytes(path, toneWave(seconds, 44100, 2));
        return path;
    }

    Result vxfconv(const std::string& arguments)
    {
        Result r;
        const fs::path errors = folder / "stderr.txt";
        const ToolRun run =
            runTool(shellQuoted(program) + " " + arguments + " 2>" + shellQuoted(errors),
                    ToolErrors::passedOn);
        r.out = run.output;
        r.status = run.status;
        const std::vector<uint8_t> bytes = readFileBytes(errors);
        r.err.assign(bytes.begin(), bytes.end());
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);)
            r.lines.push_back(line);
        return r;
    }

    // The destination option, followed by a space.
    std::string o() const { return "-o " + shellQuoted(dest) + " "; }

    fs::path folder, program, dest;
};

TEST_F(Vxfconv, ConvertsPicturesAndSoundsWithTheJobsNamesAndSizes)
{
    const fs::path a = source("a.jpg", 1200, 900);
    const fs::path b = source("b.bmp", 400, 300);
    const fs::path c = source("c.jpg", 2000, 500);
    const fs::path s = wave("s.wav", 2.0);
    const Result r =
        vxfconv(o() + "-c 90 --date '2023-01-02 03:04:05' -s X -w " + shellQuoted(s) + " " +
                shellQuoted(a) + " --size V " + shellQuoted(b) + " -s P " + shellQuoted(c));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    EXPECT_EQ(folderNames(dest),
              (Names{"01020001.jpg", "01020001.wav", "01020002.jpg", "01020003.jpg"}));
    ASSERT_EQ(r.lines.size(), 4u) << r.out;
    EXPECT_EQ(r.lines[0], "[1/3] " + a.string() + " -> 01020001.jpg (1600x1200) + 01020001.wav");
    EXPECT_EQ(r.lines[1], "[2/3] " + b.string() + " -> 01020002.jpg (640x480)");
    EXPECT_EQ(r.lines[2], "[3/3] " + c.string() + " -> 01020003.jpg (1600x600)");
    EXPECT_EQ(r.lines[3].rfind("3 of 3 pictures converted, 1 of 1 sounds into " + dest.string(), 0),
              0u)
        << r.lines[3];

    for (const auto& [name, size] :
         {std::pair<std::string, std::string>{"01020001.jpg", "1600 1200"},
          {"01020002.jpg", "640 480"},
          {"01020003.jpg", "1600 600"}}) {
        const std::string header =
            runTool("djpeg -pnm " + shellQuoted(dest / name) + " | head -c 16",
                    ToolErrors::passedOn)
                .output;
        EXPECT_EQ(header.substr(0, 3 + size.size()), "P6\n" + size) << name;
        EXPECT_EQ(exifTool(dest / name, "DateTimeOriginal"), "2023:01:02 03:04:05") << name;
    }
    EXPECT_EQ(exifTool(dest / "01020001.wav", "RelatedImageFile"), "01020001.jpg");
    EXPECT_EQ(exifTool(dest / "01020001.wav", "DateCreated"), "2023:01:02");  // exiftool's form
    SoundTexts texts;
    ASSERT_TRUE(readSoundTexts(dest / "01020001.wav", texts));
    EXPECT_EQ(texts.creationDate, "2023-01-02");
    EXPECT_EQ(texts.creationTime, "03:04:05.000");
    EXPECT_EQ(
        runTool("sox --i -D " + shellQuoted(dest / "01020001.wav"), ToolErrors::passedOn).output,
        "3.000000\n");
}

TEST_F(Vxfconv, ASecondRunTakesTheNextFreeNumbersAndKeepsTheFirstRunsFiles)
{
    const fs::path a = source("a.jpg", 320, 240);
    ASSERT_EQ(vxfconv(o() + "--date 2024-12-31 " + shellQuoted(a)).status, 0);
    const std::vector<uint8_t> first = readFileBytes(dest / "12310001.jpg");
    writeFileBytes(dest / "12310002.wav", {1});
    const Result r = vxfconv("-q -o " + shellQuoted(dest) + " --date 2024-12-31 -c 52 " +
                             shellQuoted(a) + " " + shellQuoted(a));
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    ASSERT_EQ(r.lines.size(), 1u) << r.out;  // quiet: the summary only
    EXPECT_EQ(folderNames(dest),
              (Names{"12310001.jpg", "12310002.wav", "12310003.jpg", "12310004.jpg"}));
    EXPECT_EQ(readFileBytes(dest / "12310001.jpg"), first);
    // Code 52: thumbnails of 80 x 60.
    EXPECT_EQ(runTool("exiftool -b -ThumbnailImage " + shellQuoted(dest / "12310003.jpg") +
                          " | djpeg -pnm | head -c 8",
                      ToolErrors::passedOn)
                  .output,
              "P6\n80 60");
}

TEST_F(Vxfconv, UnreadableInputsAreNamedAndTheOthersStillConverted)
{
    const fs::path a = source("a.jpg", 320, 240);
    const fs::path missing = folder / "missing.jpg";
    const fs::path notPicture = folder / "notes.jpg";
    writeFileBytes(notPicture, {'t', 'e', 'x', 't'});
    const fs::path noSound = folder / "missing.wav";
    const Result r =
        vxfconv(o() + "--date 2024-05-06 " + shellQuoted(missing) + " " + shellQuoted(notPicture) +
                " -w " + shellQuoted(noSound) + " " + shellQuoted(a));
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    ASSERT_EQ(r.lines.size(), 4u) << r.out;
    EXPECT_NE(r.lines[0].find("missing.jpg: not converted: cannot open the picture"),
              std::string::npos)
        << r.lines[0];
    EXPECT_NE(r.lines[1].find("notes.jpg: not converted: neither a JPEG nor a BMP"),
              std::string::npos)
        << r.lines[1];
    EXPECT_NE(r.lines[2].find("-> 05060001.jpg (640x480); sound " + noSound.string() +
                              " not converted: cannot read the sound"),
              std::string::npos)
        << r.lines[2];
    EXPECT_EQ(r.lines[3].rfind("1 of 3 pictures converted, 0 of 1 sounds", 0), 0u) << r.lines[3];
    EXPECT_NE(r.err.find(missing.string() + ": cannot create the converted file [20] - skipped"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(folderNames(dest), Names{"05060001.jpg"});
}

TEST_F(Vxfconv, StopOnErrorTakesBackWhatTheRunWrote)
{
    fs::create_directories(dest);
    writeFileBytes(dest / "05060001.jpg", {1, 2, 3});
    const fs::path a = source("a.jpg", 320, 240);
    const fs::path s = wave("s.wav", 1.0);
    const Result r =
        vxfconv(o() + "--date 2024-05-06 --on-error stop -w " + shellQuoted(s) + " " +
                shellQuoted(a) + " " + shellQuoted(folder / "gone.bmp") + " " + shellQuoted(a));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("- stopping"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("the job stopped before it"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("stopped: the files of this run were deleted again"), std::string::npos)
        << r.out;
    EXPECT_EQ(folderNames(dest), Names{"05060001.jpg"});
    EXPECT_EQ(readFileBytes(dest / "05060001.jpg"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(Vxfconv, SeveralJobsWriteWhatOneJobWrites)
{
    const fs::path a = source("a.jpg", 1200, 900);
    const fs::path b = source("b.bmp", 400, 300);
    const fs::path c = source("c.jpg", 2000, 500);
    const fs::path d = source("d.jpg", 640, 480);
    const fs::path notPicture = folder / "notes.jpg";
    writeFileBytes(notPicture, {'t', 'e', 'x', 't'});
    const fs::path s = wave("s.wav", 1.0), t = wave("t.wav", 2.0);
    // The failed entry without a sound leaves its number to the next one,
    // the one with a sound keeps it for its sound.
    const std::string list = "--date '2024-05-06 07:08:09' -w " + shellQuoted(s) + " " +
                             shellQuoted(a) + " " + shellQuoted(notPicture) + " -s X " +
                             shellQuoted(b) + " -w " + shellQuoted(t) + " " +
                             shellQuoted(folder / "gone.jpg") + " " + shellQuoted(c) + " -s P " +
                             shellQuoted(d) + " " + shellQuoted(a);

    // The lines without the destination and the time taken.
    auto run = [&](const fs::path& out, const std::string& jobs, std::string& err) {
        const Result r = vxfconv("-o " + shellQuoted(out) + " -j " + jobs + " " + list);
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        err = r.err;
        return r.out.substr(0, r.out.rfind(" into "));
    };
    std::string oneErr, twoErr;
    const std::string one = run(folder / "one", "1", oneErr);
    const std::string two = run(folder / "two", "2", twoErr);
    EXPECT_EQ(two, one);
    EXPECT_EQ(twoErr, oneErr);
    EXPECT_NE(oneErr.find("notes.jpg: cannot create the converted file"), std::string::npos);
    const Names names = folderNames(folder / "one");
    EXPECT_EQ(names, (Names{"05060001.jpg", "05060001.wav", "05060002.jpg", "05060003.wav",
                            "05060004.jpg", "05060005.jpg", "05060006.jpg"}));
    ASSERT_EQ(folderNames(folder / "two"), names);
    for (const std::string& name : names)
        EXPECT_EQ(readFileBytes(folder / "two" / name), readFileBytes(folder / "one" / name))
            << name;
}

TEST_F(Vxfconv, StopWithSeveralJobsLeavesTheFolderAsItWas)
{
    fs::create_directories(dest);
    writeFileBytes(dest / "05060001.jpg", {1, 2, 3});
    // The workers are ahead with the small ones while the job waits for the large one.
    const fs::path large = source("large.jpg", 3000, 2000);
    const fs::path small = source("small.jpg", 320, 240);
    std::string list = shellQuoted(large) + " " + shellQuoted(folder / "gone.bmp");
    for (int i = 0; i < 6; ++i)
        list += " " + shellQuoted(small);
    const Result r = vxfconv(o() + "-j 2 --date 2024-05-06 --on-error stop " + list);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("gone.bmp: cannot create the converted file"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("stopped: the files of this run were deleted again"), std::string::npos)
        << r.out;
    EXPECT_EQ(folderNames(dest), Names{"05060001.jpg"});
    EXPECT_EQ(readFileBytes(dest / "05060001.jpg"), (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(Vxfconv, CommandLineMistakesAndUnusableDestinationsEndWithStatus2)
{
    const fs::path a = source("a.jpg", 16, 16);
    const std::string o = this->o(), pa = " " + shellQuoted(a);
    const std::pair<std::string, std::string> cases[] = {
        {shellQuoted(a), "vxfconv: "},                // no destination
        {o, "vxfconv: "},                             // no pictures
        {o + "-c 91" + pa, "vxfconv: "},              // no such camera
        {o + "-s Q" + pa, "vxfconv: "},               // no such class
        {o + "--date 2024-02-30" + pa, "vxfconv: "},  // no such day
        {o + "--fill red" + pa, "vxfconv: "},         // not a colour
        {o + pa + " -w x.wav", "vxfconv: "},          // sound without picture
        {o + "--frobnicate" + pa, "vxfconv: "},
        {o + "-j 0" + pa, "vxfconv: "},
        {"-o " + shellQuoted(folder / "no" / "out") + pa, "cannot use the destination folder"},
    };
    for (const auto& [arguments, message] : cases) {
        const Result r = vxfconv(arguments);
        EXPECT_EQ(r.status, 2) << arguments;
        EXPECT_NE(r.err.find(message), std::string::npos) << arguments << ": " << r.err;
    }
    EXPECT_FALSE(fs::exists(dest));
    EXPECT_FALSE(fs::exists(folder / "no"));
    const Result help = vxfconv("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--on-error"), std::string::npos);

    fs::create_directories(dest);
    if (::mount("tmpfs", dest.c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0)
        GTEST_SKIP() << "a read-only tmpfs cannot be mounted here";
    const Result r = vxfconv(o + pa);
    ::umount2(dest.c_str(), MNT_DETACH);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot create files in the destination folder " + dest.string()),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(r.lines.empty()) << r.out;
}

TEST_F(Vxfconv, ProgressBarOnlyWhenAskedOrOnATerminal)
{
    const fs::path a = source("a.jpg", 1600, 1200);
    Result r = vxfconv(o() + "--progress " + shellQuoted(a));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("\r["), std::string::npos);
    EXPECT_NE(r.err.find("1/1 a.jpg"), std::string::npos);
    EXPECT_EQ(r.out.find('\r'), std::string::npos);  // the lines stay clean
    // Standard error is a file here: no bar by default.
    r = vxfconv(o() + shellQuoted(a));
    EXPECT_EQ(r.err, "");
}

TEST_F(Vxfconv, CtrlCStopsLikeEscAndTakesTheFilesBack)
{
    const fs::path big = source("big.jpg", 4000, 3000);
    std::vector<std::string> arguments{program.string(), "-o", dest.string(), "-s", "X"};
    for (int i = 0; i < 40; ++i)
        arguments.push_back(big.string());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // One Ctrl-C, sent once the first picture is written: exactly what a
    // person at the terminal does.
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, 2, (folder / "stderr.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ASSERT_EQ(spawned, 0);

    std::string text;
    bool sent = false;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(out[0], buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<size_t>(got));
        if (!sent && text.find('\n') != std::string::npos) {
            ::kill(pid, SIGINT);
            sent = true;
        }
    }
    ::close(out[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);

    ASSERT_TRUE(sent) << text;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status) << "\n" << text;
    EXPECT_EQ(WEXITSTATUS(status), 1) << text;
    EXPECT_NE(text.find(": stopped"), std::string::npos) << text;
    EXPECT_NE(text.find("the files of this run were deleted again"), std::string::npos) << text;
    EXPECT_EQ(folderNames(dest), Names{});
}

}  // namespace
