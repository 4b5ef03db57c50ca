// Creating, emptying and copying directories with the user's consent,
// walking a tree, and whole files written and read.
#include <gtest/gtest.h>

#include <filesystem>

#include "ResultRows.h"
#include "TestSupport.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

class TavFiles : public ::testing::Test {
protected:
    TempDir t;
    RecordingMessageSink sink;
};

TEST_F(TavFiles, MkdirAsksOnceCreatesEveryLevelAndNothingWhenDeclinedOrBlocked)
{
    const std::string target = t.dir() + "a/b/c";
    ASSERT_TRUE(Tav_Mkdir(target));
    ASSERT_TRUE(Tav_Mkdir(target));  // there already: no question
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(sink.questions, (Strings {"OK to create " + target + "/"}));
    sink.answers = {TavNo};
    EXPECT_FALSE(Tav_Mkdir(t.dir() + "x/y"));
    EXPECT_FALSE(fs::exists(t.dir() + "x"));
    writeFile(t.file("file"), "data");
    EXPECT_FALSE(Tav_Mkdir(t.dir() + "file/sub"));
    EXPECT_TRUE(sink.saw("Unable to create " + t.dir() + "file"));
}

TEST_F(TavFiles, RemoveDirAndFileAskFirstAndRefuseRootsAndCancel)
{
    writeFile(t.file("a.htm"), "x");
    writeFile(t.file("sub/keep.txt"), "x");
    sink.answers = {TavCancel};
    EXPECT_FALSE(Tav_RemoveDir(t.dir()));
    EXPECT_TRUE(fs::exists(t.file("a.htm")));
    ASSERT_TRUE(Tav_RemoveDir(t.dir()));
    EXPECT_FALSE(fs::exists(t.file("a.htm")));
    EXPECT_TRUE(fs::exists(t.file("sub/keep.txt")));
    EXPECT_EQ(sink.questions.back(), "Ok to remove files from " + t.dir());
    sink.questions.clear();
    EXPECT_TRUE(Tav_RemoveDir(t.dir()));  // nothing left: no question
    EXPECT_TRUE(sink.questions.empty());
    // A root is refused, also when named in a roundabout way.
    EXPECT_FALSE(Tav_RemoveDir("/"));
    EXPECT_TRUE(sink.saw("This program will not remove a root directory /"));
    EXPECT_FALSE(Tav_RemoveDir(t.dir() + "../.."));
    EXPECT_FALSE(Tav_RemoveDir("C:\\"));
    // A file: asked with two blanks; a missing one is fine.
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

TEST_F(TavFiles, TreeWalkCopyFilesAndChecks)
{
    // The tree walk lists children together and stops below ten levels.
    fs::create_directories(t.path() / "a" / "a1");
    fs::create_directories(t.path() / "b/d/d/d/d/d/d/d/d/d/d/d");
    writeFile(t.file("a/file.txt"), "x");
    Strings got {Tav_NextTreeEntry(t.dir())};
    for (std::string e = Tav_NextTreeEntry(""); !e.empty(); e = Tav_NextTreeEntry(""))
        got.push_back(e);
    EXPECT_EQ(got,
              (Strings {"a", "b", "a/a1", "b/d", "b/d/d", "b/d/d/d", "b/d/d/d/d", "b/d/d/d/d/d", "b/d/d/d/d/d/d",
                        "b/d/d/d/d/d/d/d", "b/d/d/d/d/d/d/d/d", "b/d/d/d/d/d/d/d/d/d"}));
    EXPECT_EQ(Tav_NextTreeEntry(""), "");
    // Files copied under lower-case names.
    writeFile(t.file("src/Logo.GIF"), "gif");
    writeFile(t.file("src/back.jpg"), "jpg");
    writeFile(t.file("src/sub/x.gif"), "no");
    fs::create_directories(t.file("dst"));
    ASSERT_TRUE(Tav_CopyFiles(t.file("src"), t.file("dst"), "*.gif"));
    EXPECT_EQ(treeContents(t.file("dst")), (std::map<std::string, std::string> {{"logo.gif", "gif"}}));
    EXPECT_TRUE(Tav_CopyFiles(t.dir() + "missing", t.file("dst"), "*.*"));
    // Checks of files, directories and drive letters.
    writeFile(t.file("f.txt"), "x");
    expectRows({Is(Tav_ChkFile(t.file("f.txt")), "true"), Is(Tav_ChkFile(t.dir()), "false"),
                Is(Tav_ChkDir(t.path().string()), "true"), Is(Tav_ChkDir(t.file("f.txt")), "false"),
                Is(Tav_ChkFileMsg(t.file("nope")), "false"), Is(Tav_Chkdrv("/any/path"), "true"),
                Is(Tav_Chkdrv("E:\\lectures"), "false")});
    EXPECT_TRUE(sink.saw(t.file("nope") + " does not exist "));
    EXPECT_TRUE(sink.saw("Error - Drive Letter wrong ("));
}

// A file is written whole or not at all, read back byte for byte, and a
// file that is not there is not read as an empty one.
TEST_F(TavFiles, WholeFilesAreWrittenAtOnceAndAMissingOneIsNotRead)
{
    const std::string path = t.dir() + "state.json", bytes = std::string("a\r\n\0b", 5);
    std::string err, text = "unchanged";
    ASSERT_TRUE(WriteFileAtomically(path, bytes, err)) << err;
    ASSERT_TRUE(ReadWholeFile(path, text));
    EXPECT_EQ(text, bytes);
    EXPECT_FALSE(WriteFileAtomically(t.dir() + "no-such-dir/state.json", bytes, err));
    EXPECT_NE(err.find(t.dir() + "no-such-dir/state.json"), std::string::npos) << err;
    EXPECT_FALSE(ReadWholeFile(t.dir() + "missing.json", text));
    EXPECT_EQ(text, bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(t.dir()), fs::directory_iterator()), 1);  // no temporary left
}

}  // namespace
