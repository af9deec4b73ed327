// Kernel handles and file searches that close themselves.
#include "win/Handle.h"
#include "testsupport/TestFiles.h"
#include "win/FindFile.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace {

TEST(FindFile, PassesOverDotEntriesAndTellsFoldersFromFiles)
{
    TempFolder folder;
    const std::wstring all = (folder / L"*").wstring();
    CFindFile search;
    EXPECT_FALSE(search.FindFirst(all.c_str())) << "only . and .. in an empty folder";

    writeFileText(folder / L"a.jpg", "a");
    ::CreateDirectoryW((folder / L"inner").c_str(), nullptr);
    std::set<std::wstring> files, folders;
    for (bool more = search.FindFirst(all.c_str()); more; more = search.FindNext())
        (search.IsFolder() ? folders : files).insert(search.Found().cFileName);
    EXPECT_EQ(files, std::set<std::wstring>{L"a.jpg"});
    EXPECT_EQ(folders, std::set<std::wstring>{L"inner"});
    EXPECT_FALSE(search.FindNext()) << "the end stays the end";
    EXPECT_FALSE(search.FindFirst((folder / L"missing" / L"*").c_str()));
}

TEST(Handle, ClosesOnceWhereverItIsMoved)
{
    TempFolder folder;
    const std::wstring path = (folder / L"held.bin").wstring();
    // Not shared: a second open fails while the handle is held.
    const auto open = [&] {
        return CHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    CHandle first = open();
    ASSERT_TRUE(first.IsValid());
    EXPECT_FALSE(open().IsValid());
    CHandle moved(std::move(first));
    EXPECT_FALSE(first.IsValid());
    EXPECT_TRUE(moved.IsValid());
    EXPECT_FALSE(open().IsValid());
    moved.Close();
    moved.Close();
    EXPECT_TRUE(open().IsValid());
    EXPECT_FALSE(CHandle(INVALID_HANDLE_VALUE).IsValid());
}

}  // namespace
