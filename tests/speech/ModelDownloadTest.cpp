// A model downloaded from the tests' own web server: installed whole and
// checked, resumed after the server died mid-file (only the rest is
// asked for), started over where a server ignores ranges. (A checksum that
// differs and a host that cannot be reached: the command's tests.)
#include <gtest/gtest.h>

#include <QByteArray>
#include <QCryptographicHash>

#include <filesystem>
#include <thread>

#include "ModelServer.h"
#include "TestSupport.h"
#include "TinyWhisperModel.h"
#include "speech/ModelDownload.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;
using Result = ModelDownload::Result;

// The bytes a server sends before it stops (and, in one case, is killed).
constexpr int kCut = 1000000;

enum class Before { Nothing, ServerKilledMidFile, PartOfTheFile };

struct Case {
    const char* name;
    Before before;
    bool noRange;       // the server sends the whole file whatever is asked
    const char* asked;  // the range the last request asked for ("": none)
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

const Case kCases[] = {
    {"Installs", Before::Nothing, false, ""},
    {"ResumesAfterTheServerDied", Before::ServerKilledMidFile, false, "range=bytes=1000000- status=206"},
    {"StartsOverWhereRangesAreIgnored", Before::PartOfTheFile, true, "range=bytes=1000000- status=200"},
};

class ModelDownloadTest : public ::testing::TestWithParam<Case> {
protected:
    TempDir dir;
    std::string served = dir.dir() + "served/", target = dir.dir() + "models/ggml-tiny.bin";
    std::string model;  // the file's bytes
    int64_t done = 0, total = 0;

    void SetUp() override
    {
        fs::create_directories(served);
        ASSERT_TRUE(WriteTinyWhisperModel(served + "ggml-tiny.bin"));
        model = readFile(served + "ggml-tiny.bin");
    }

    Result download(const std::string& url, const std::string& sha1, std::string& err)
    {
        ModelDownload d;
        d.onProgress = [this](int64_t now, int64_t all) { done = now, total = all; };
        return d.Run({url + "/ggml-tiny.bin", target, sha1}, err);
    }
};

TEST_P(ModelDownloadTest, Downloads)
{
    const Case& c = GetParam();
    const std::string sha1
        = QCryptographicHash::hash(QByteArray::fromStdString(model), QCryptographicHash::Sha1).toHex().toStdString();
    std::string err;
    if (c.before == Before::ServerKilledMidFile) {
        ModelServer dying(served, kCut);
        ASSERT_TRUE(dying.Started());
        Result first = Result::Installed;
        std::thread run([&] { first = download(dying.Url(), sha1, err); });
        EXPECT_TRUE(dying.WaitFor("sent=" + std::to_string(kCut)));
        dying.Kill();
        run.join();
        EXPECT_EQ(first, Result::Failed);
        EXPECT_TRUE(holds(err, "broke off"));
        EXPECT_EQ(fs::file_size(ModelDownload::PartOf(target)), kCut);
        EXPECT_FALSE(fs::exists(target));
    }
    if (c.before == Before::PartOfTheFile) {
        fs::create_directories(fs::path(target).parent_path());
        writeFile(ModelDownload::PartOf(target), std::string(kCut, 'x'));  // not even the file's start
    }
    ModelServer server(served, -1, c.noRange);
    ASSERT_TRUE(server.Started());
    err.clear();
    EXPECT_EQ(download(server.Url(), sha1, err), Result::Installed) << err;
    EXPECT_FALSE(fs::exists(ModelDownload::PartOf(target)));
    EXPECT_EQ(readFile(target), model);
    EXPECT_EQ(done, static_cast<int64_t>(model.size()));
    EXPECT_EQ(total, static_cast<int64_t>(model.size()));
    if (*c.asked) {
        const std::string rest = std::to_string(model.size() - (c.noRange ? 0 : kCut));
        EXPECT_TRUE(holds(server.Log(), std::string(c.asked) + " sent=" + rest));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, ModelDownloadTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
