#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "DecodedPicture.h"
#include "TestSupport.h"
#include "media/GifWriter.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

// A picture with a red left half and a white right half on rows that carry
// padding at their ends, and a gradient stripe that needs more than 256
// colours.
struct Picture {
    int width = 64, height = 48, stride = 64 * 4 + 12;
    std::vector<uint8_t> bytes = std::vector<uint8_t>(static_cast<size_t>(stride) * height, 0xAB);
    Picture()
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                uint32_t v = x < width / 2 ? 0xFFFF0000u : 0xFFFFFFFFu;
                if (y >= 40)
                    v = 0xFF000000u | static_cast<uint32_t>(x * 4) << 16 | static_cast<uint32_t>(y * 5) << 8
                        | static_cast<uint32_t>((x * y) & 0xff);
                std::memcpy(&bytes[static_cast<size_t>(y) * stride + x * 4], &v, 4);
            }
    }
};

TEST(GifWriter, WritesAStillGifOfTheExactSizeAndColoursAndRefusesBadSizesTouchingNoFile)
{
    TempDir dir;
    Picture pic;
    std::string err;
    ASSERT_TRUE(WriteGifPicture(dir.file("a.gif"), pic.bytes.data(), pic.stride, pic.width, pic.height, err)) << err;
    const std::string data = readFile(dir.file("a.gif"));
    EXPECT_EQ(data.substr(0, 6), "GIF89a");
    EXPECT_EQ(data.back(), '\x3B');
    EXPECT_FALSE(holds(data, "NETSCAPE2.0"));  // no animation loop block
    DecodedPicture decoded;
    ASSERT_TRUE(DecodePicture(dir.file("a.gif"), decoded));
    EXPECT_EQ(std::pair(decoded.width, decoded.height), std::pair(64, 48));
    EXPECT_EQ(decoded.at(3, 3), 0xFF0000u);
    EXPECT_EQ(decoded.at(60, 30), 0xFFFFFFu);

    // A picture of at most 256 colours keeps every pixel exactly.
    const int width = 40, height = 30;
    std::vector<uint32_t> pixels(width * height);
    for (int i = 0; i < width * height; ++i)
        pixels[i] = 0xFF000000u | static_cast<uint32_t>((i % 256) * 0x010203u & 0xffffff);
    ASSERT_TRUE(
        WriteGifPicture(dir.file("b.gif"), reinterpret_cast<const uint8_t*>(pixels.data()), width * 4, width, height, err))
        << err;
    ASSERT_TRUE(DecodePicture(dir.file("b.gif"), decoded));
    ASSERT_EQ(decoded.pixels.size(), pixels.size());
    for (int i = 0; i < width * height; ++i)
        ASSERT_EQ(decoded.pixels[i] & 0xffffff, pixels[i] & 0xffffff) << "pixel " << i;

    // Bad sizes and unwritable places touch no file.
    writeFile(dir.file("old.gif"), "old");
    EXPECT_FALSE(WriteGifPicture(dir.file("old.gif"), pic.bytes.data(), pic.stride, 0, 10, err));
    EXPECT_FALSE(WriteGifPicture(dir.file("old.gif"), pic.bytes.data(), 10, 64, 48, err));  // stride too short
    EXPECT_FALSE(WriteGifPicture(dir.file("old.gif"), pic.bytes.data(), pic.stride, kMaxGifSide + 1, 1, err));
    EXPECT_EQ(readFile(dir.file("old.gif")), "old");
    err.clear();
    EXPECT_FALSE(WriteGifPicture(dir.file("none/x.gif"), pic.bytes.data(), pic.stride, pic.width, pic.height, err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(fs::exists(dir.file("none")));
}

}  // namespace
