#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "server/MoveDirectory.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

TEST(MoveDirectory, AcrossFilesystemsCopiesThenRemoves)
{
    if (!fs::is_directory("/dev/shm"))
        GTEST_SKIP() << "no second filesystem at /dev/shm";
    TempDir target;
    const fs::path src = fs::path("/dev/shm") / ("pellucor-move-" + std::to_string(::getpid()));
    writeFile(src / "talk1.txt", "u 0 1 URL\\sld001.htm\r\n");
    writeFile(src / "sub" / "img001.gif", "gif");
    std::string err;
    ASSERT_TRUE(MoveDirectory(src.string(), target.file("talk1"), err)) << err;
    EXPECT_FALSE(fs::exists(src));
    EXPECT_EQ(readFile(target.file("talk1/sub/img001.gif")), "gif");
    EXPECT_FALSE(fs::exists(target.file(".talk1.partial")));
}

TEST(MoveDirectory, NeverOverwritesAndKeepsTheSourceOnFailure)
{
    TempDir t;
    writeFile(t.file("a/f"), "1");
    writeFile(t.file("b/f"), "2");
    std::string err;
    EXPECT_FALSE(MoveDirectory(t.file("a"), t.file("b"), err));
    EXPECT_EQ(readFile(t.file("a/f")), "1");
    EXPECT_EQ(readFile(t.file("b/f")), "2");
    EXPECT_FALSE(MoveDirectory(t.file("missing"), t.file("c"), err));
    ASSERT_TRUE(MoveDirectory(t.file("a"), t.file("c"), err)) << err;
    EXPECT_EQ(readFile(t.file("c/f")), "1");
}

}  // namespace

}  // namespace pellucor
