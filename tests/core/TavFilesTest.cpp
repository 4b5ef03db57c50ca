#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

TEST(TavMkdir, AsksOnceAndCreatesEveryLevel)
{
    TempDir t;
    RecordingMessageSink sink;
    const std::string target = t.dir() + "a/b/c";
    ASSERT_TRUE(Tav_Mkdir(target));
    EXPECT_TRUE(fs::is_directory(target));
    ASSERT_EQ(sink.questions.size(), 1u);
    EXPECT_EQ(sink.questions[0], "OK to create " + target + "/");
    // Existing directory: no question.
    ASSERT_TRUE(Tav_Mkdir(target));
    EXPECT_EQ(sink.questions.size(), 1u);
}

TEST(TavMkdir, DeclinedOrBlockedCreatesNothing)
{
    TempDir t;
    RecordingMessageSink sink;
    sink.answers = {TavNo};
    EXPECT_FALSE(Tav_Mkdir(t.dir() + "x/y"));
    EXPECT_FALSE(fs::exists(t.dir() + "x"));
    writeFile(t.file("file"), "data");
    EXPECT_FALSE(Tav_Mkdir(t.dir() + "file/sub"));
    EXPECT_TRUE(sink.saw("Unable to create " + t.dir() + "file"));
}

TEST(TavRemoveDir, EmptiesFilesButKeepsSubdirectories)
{
    TempDir t;
    RecordingMessageSink sink;
    writeFile(t.file("a.htm"), "x");
    writeFile(t.file("b"), "x");
    writeFile(t.file("sub/keep.txt"), "x");
    ASSERT_TRUE(Tav_RemoveDir(t.dir()));
    EXPECT_FALSE(fs::exists(t.file("a.htm")));
    EXPECT_FALSE(fs::exists(t.file("b")));
    EXPECT_TRUE(fs::exists(t.file("sub/keep.txt")));
    EXPECT_TRUE(sink.saw("Ok to remove files from " + t.dir()));
    // Nothing left: no question the second time.
    sink.questions.clear();
    EXPECT_TRUE(Tav_RemoveDir(t.dir()));
    EXPECT_TRUE(sink.questions.empty());
}

TEST(TavRemoveDir, RefusesRootAndRespectsCancel)
{
    RecordingMessageSink sink;
    TempDir t;
    writeFile(t.file("f"), "x");
    sink.answers = {TavCancel};
    EXPECT_FALSE(Tav_RemoveDir(t.dir()));
    EXPECT_TRUE(fs::exists(t.file("f")));
    // The root is refused whether or not it holds files, also when named
    // in a roundabout way.
    EXPECT_FALSE(Tav_RemoveDir("/"));
    EXPECT_TRUE(sink.saw("This program will not remove a root directory /"));
    EXPECT_FALSE(Tav_RemoveDir(t.dir() + "../.."));
    EXPECT_FALSE(Tav_RemoveDir("C:\\"));
}

TEST(TavRemoveFile, AsksWithTwoBlanksAndMissingFileIsFine)
{
    TempDir t;
    RecordingMessageSink sink;
    EXPECT_TRUE(Tav_RemoveFile(t.file("missing")));
    EXPECT_TRUE(sink.questions.empty());
    writeFile(t.file("f.rm"), "x");
    sink.answers = {TavCancel};
    EXPECT_FALSE(Tav_RemoveFile(t.file("f.rm")));
    EXPECT_TRUE(fs::exists(t.file("f.rm")));
    EXPECT_TRUE(Tav_RemoveFile(t.file("f.rm")));
    EXPECT_FALSE(fs::exists(t.file("f.rm")));
    EXPECT_EQ(sink.questions.back(), "Ok to remove  " + t.file("f.rm"));
}

TEST(TavCopyFiles, CopiesMatchingFilesUnderLowerCaseNames)
{
    TempDir src, dst;
    writeFile(src.file("Logo.GIF"), "gif");
    writeFile(src.file("back.jpg"), "jpg");
    writeFile(src.file("sub/x.gif"), "no");
    ASSERT_TRUE(Tav_CopyFiles(src.path().string(), dst.path().string(), "*.gif"));
    EXPECT_EQ(readFile(dst.file("logo.gif")), "gif");
    EXPECT_FALSE(fs::exists(dst.file("back.jpg")));
    EXPECT_FALSE(fs::exists(dst.file("x.gif")));
    EXPECT_TRUE(Tav_CopyFiles(src.dir() + "missing", dst.dir(), "*.*"));
}

TEST(TavCheck, FilesDirectoriesAndDriveLetters)
{
    TempDir t;
    RecordingMessageSink sink;
    writeFile(t.file("f.txt"), "x");
    EXPECT_TRUE(Tav_ChkFile(t.file("f.txt")));
    EXPECT_FALSE(Tav_ChkFile(t.dir()));  // a directory is not a file
    EXPECT_TRUE(Tav_ChkDir(t.path().string()));
    EXPECT_FALSE(Tav_ChkDir(t.file("f.txt")));
    EXPECT_FALSE(Tav_ChkFileMsg(t.file("nope")));
    EXPECT_TRUE(sink.saw(t.file("nope") + " does not exist "));
    EXPECT_TRUE(Tav_Chkdrv("/any/path"));
    EXPECT_FALSE(Tav_Chkdrv("E:\\lectures"));
    EXPECT_TRUE(sink.saw("Error - Drive Letter wrong ("));
}

TEST(TavTree, ListsChildrenTogetherAndIteratesToTheEnd)
{
    TempDir t;
    fs::create_directories(t.path() / "a" / "a1");
    fs::create_directories(t.path() / "b");
    writeFile(t.file("a/file.txt"), "x");
    std::vector<std::string> got {Tav_NextTreeEntry(t.dir())};
    for (std::string e = Tav_NextTreeEntry(""); !e.empty(); e = Tav_NextTreeEntry(""))
        got.push_back(e);
    EXPECT_EQ(got, (Strings {"a", "b", "a/a1"}));
    EXPECT_EQ(Tav_NextTreeEntry(""), "");
}

TEST(TavTree, StopsBelowTenLevels)
{
    TempDir t;
    fs::path deep = t.path();
    for (int i = 0; i < 12; ++i)
        deep /= "d";
    fs::create_directories(deep);
    int count = 0;
    for (std::string e = Tav_NextTreeEntry(t.dir()); !e.empty(); e = Tav_NextTreeEntry(""))
        ++count;
    EXPECT_EQ(count, 10);
}

}  // namespace

}  // namespace pellucor
