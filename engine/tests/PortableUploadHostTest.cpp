// The job's services without a window: folder rules (only the last
// component is created, a folder is removed only when empty), the probe
// that must not harm an existing file, the find-first search matching
// without regard to case, and the cut-short check.
#include "engine/tests/UploadTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using Names = std::vector<std::string>;

class PortableHost : public ::testing::Test {
protected:
    void SetUp() override { folder = scratchFolder("host"); }
    std::wstring w(const fs::path& path) const { return fromFsPath(path); }

    fs::path folder;
    PortableUploadFiles files;
    ScriptedUi ui;
};

TEST_F(PortableHost, FoldersAreCreatedOnlyAsTheLastComponentAndRemovedOnlyWhenEmpty)
{
    writeFileBytes(folder / "plain", {1});
    // Already there (a file counts as the system's "already exists": the conversion then fails to
    // write).
    for (const std::wstring& path : {w(folder / "new"), w(folder / "new"), w(folder / "new") + L"/",
                                     w(folder / "plain"), std::wstring(L"/")})
        EXPECT_TRUE(files.ensureFolder(path, ui)) << path;
    EXPECT_TRUE(fs::is_directory(folder / "new"));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(files.ensureFolder(w(folder / "a" / "b"), ui));
    EXPECT_FALSE(fs::exists(folder / "a"));

    writeFileBytes(folder / "new" / "x", {1});
    EXPECT_FALSE(files.removeFolder(w(folder / "new"), ui));
    EXPECT_TRUE(fs::exists(folder / "new" / "x"));
    EXPECT_FALSE(files.removeFolder(w(folder / "plain"), ui));
    EXPECT_TRUE(fs::exists(folder / "plain"));
    EXPECT_FALSE(files.removeFolder(w(folder / "missing"), ui));
    fs::create_directories(folder / "empty");
    EXPECT_TRUE(files.removeFolder(w(folder / "empty") + L"/", ui));
    EXPECT_FALSE(fs::exists(folder / "empty"));

    ASSERT_EQ(ui.messages.size(), 4u);
    EXPECT_EQ(ui.messages[0].messageId, 608u);
    EXPECT_TRUE(ui.messages[0].withCode);
    EXPECT_EQ(ui.messages[0].code, ENOENT);
    EXPECT_EQ(ui.messages[1].messageId, 607u);
    EXPECT_EQ(ui.messages[1].code, ENOTEMPTY);
    EXPECT_EQ(ui.messages[3].code, ENOENT);
}

TEST_F(PortableHost, ProbeLeavesNoFileAndSparesAnExistingOne)
{
    EXPECT_TRUE(files.probeCreate(w(folder / "tmp")));
    EXPECT_FALSE(fs::exists(folder / "tmp"));

    writeFileBytes(folder / "tmp", {7, 8, 9});
    EXPECT_TRUE(files.probeCreate(w(folder / "tmp")));
    EXPECT_EQ(readFileBytes(folder / "tmp"), (std::vector<uint8_t>{7, 8, 9}));

    EXPECT_FALSE(files.probeCreate(w(folder / "missing" / "tmp")));
    fs::create_directories(folder / "dir" / "tmp");
    EXPECT_FALSE(files.probeCreate(w(folder / "dir" / "tmp")));
}

TEST_F(PortableHost, ListFilesLeavesOutFoldersAndReportsAMissingFolder)
{
    writeFileBytes(folder / "a.jpg", {1});
    writeFileBytes(folder / "noext", {1});
    fs::create_directories(folder / "sub");
    std::vector<std::wstring> names;
    EXPECT_EQ(files.listFiles(w(folder), names), 0);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a.jpg", L"noext"}));
    EXPECT_EQ(files.listFiles(w(folder / "missing"), names), ENOENT);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(files.listFiles(w(folder / "a.jpg"), names), ENOTDIR);
}

TEST_F(PortableHost, FileLengthAndCutShortJpeg)
{
    EXPECT_EQ(files.fileLength(w(folder / "missing")), 0u);
    std::vector<uint8_t> jpeg = baselineJpeg(makeScene(64, 48), 80);
    writeFileBytes(folder / "whole.jpg", jpeg);
    EXPECT_EQ(files.fileLength(w(folder / "whole.jpg")), jpeg.size());
    EXPECT_FALSE(files.jpegCutShort(w(folder / "whole.jpg")));
    jpeg.resize(jpeg.size() - 1);
    writeFileBytes(folder / "cut.jpg", jpeg);
    EXPECT_TRUE(files.jpegCutShort(w(folder / "cut.jpg")));
    writeFileBytes(folder / "tiny.jpg", {0xFF, 0xD8, 0xFF});
    EXPECT_TRUE(files.jpegCutShort(w(folder / "tiny.jpg")));
    // Not a JPEG (the copy of a BMP source): nothing to judge.
    writeFileBytes(folder / "copy.jpg", {'B', 'M', 0, 0, 0});
    EXPECT_FALSE(files.jpegCutShort(w(folder / "copy.jpg")));
    EXPECT_FALSE(files.jpegCutShort(w(folder / "missing")));
}

TEST_F(PortableHost, RemoveFileNeverRemovesAFolder)
{
    fs::create_directories(folder / "d");
    EXPECT_FALSE(files.removeFile(w(folder / "d")));
    EXPECT_TRUE(fs::exists(folder / "d"));
    writeFileBytes(folder / "f", {1});
    EXPECT_TRUE(files.removeFile(w(folder / "f")));
    EXPECT_FALSE(fs::exists(folder / "f"));
    EXPECT_FALSE(files.removeFile(w(folder / "f")));
}

TEST_F(PortableHost, FolderSearchMatchesWithoutRegardToCaseAndReadsEachFolderOnce)
{
    writeFileBytes(folder / "08240001.JPG", {1});
    writeFileBytes(folder / "08240002.wav", {1});
    PortableFolderSearch search;
    EXPECT_EQ(NextFreeNumber(search, w(folder), L"0824", L"jpg", L"wav", 4, 1), 3u);
    EXPECT_EQ(search.listings(), 1u);
    EXPECT_EQ(search.currentDirectory(), L"");
    // A new search sees files made since.
    writeFileBytes(folder / "08240003.jpg", {1});
    EXPECT_EQ(NextFreeNumber(search, w(folder), L"0824", L"jpg", L"wav", 4, 1), 4u);
    EXPECT_EQ(search.listings(), 2u);
    // A folder that cannot be entered: the start value at once.
    EXPECT_EQ(NextFreeNumber(search, w(folder / "missing"), L"0824", L"jpg", L"wav", 4, 7), 7u);
    EXPECT_EQ(search.listings(), 2u);
}

}  // namespace
