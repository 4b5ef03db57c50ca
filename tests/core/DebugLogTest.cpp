// The debug log written by two processes at once stays readable: every line
// whole, nothing overwritten after a line was written, no holes.
#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include <filesystem>
#include <map>
#include <regex>

#include "PellucorProcess.h"
#include "TestSupport.h"

namespace {
using namespace pellucor;
using pellucor::testing_support::holds;

TEST(DebugLog, TwoProcessesWritingAtOnceLeaveWholeLines)
{
    testing_support::TempDir home;
    const std::string logFile = home.dir() + "state/Syncdbg.txt";
    constexpr int kLines = 20000;
    QProcess first, second;
    for (QProcess* p : {&first, &second})
        p->setProcessEnvironment(testing_support::programEnvironment(home.dir()));
    first.start(PELLUCOR_DEBUGLOG_WRITER, {"A", QString::number(kLines)});
    ASSERT_TRUE(first.waitForStarted());
    // The second run starts (and empties the log) while the first writes,
    // once the first has opened (and emptied) it: not before, or the first
    // one's opening would empty the second's lines. No log yet is empty.
    const auto logSize = [&] {
        std::error_code ec;
        const auto size = std::filesystem::file_size(logFile, ec);
        return ec ? 0 : size;
    };
    for (int i = 0; i < 12000 && logSize() < 100000; ++i)
        QThread::msleep(5);
    ASSERT_GE(logSize(), 100000u) << "the first writer never got going";
    second.start(PELLUCOR_DEBUGLOG_WRITER, {"B", QString::number(kLines)});
    ASSERT_TRUE(first.waitForFinished(60000));
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(first.exitCode() + second.exitCode(), 0);

    const std::string log = testing_support::readFile(logFile);
    ASSERT_TRUE(log.ends_with("\r\n")) << "the last line has no end";
    EXPECT_FALSE(holds(log, std::string(1, '\0'))) << "the log has holes";
    const std::regex line("([AB]) ([0-9]+) (A{200}|B{200})");
    std::map<std::string, int> last {{"A", -1}, {"B", -1}};
    int linesOfB = 0;
    for (const std::string& text : testing_support::splitCrLf(log)) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(text, m, line) && m[1].str()[0] == m[3].str()[0]) << "a broken line: " << text;
        EXPECT_GT(std::stoi(m[2].str()), last[m[1]]) << "lines out of order: " << text.substr(0, 20);
        last[m[1]] = std::stoi(m[2].str());
        linesOfB += m[1] == "B";
    }
    // All of the second run's lines are there.
    EXPECT_EQ(linesOfB, kLines);
}

}  // namespace
