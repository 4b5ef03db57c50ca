#include "TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

namespace pellucor {

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir()
{
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = fs::temp_directory_path() / ("pellucor-test-" + std::to_string(rd()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

::testing::AssertionResult holds(const std::string& text, const std::string& part)
{
    const bool found = text.find(part) != std::string::npos;
    return (found ? ::testing::AssertionSuccess() : ::testing::AssertionFailure())
        << "\"" << part << (found ? "\" is in:\n" : "\" is not in:\n") << text.substr(0, 4000);
}

size_t occurrences(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

void writeFile(const fs::path& path, const std::string& content)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> readLines(const fs::path& path) { return splitCrLf(readFile(path)); }

std::vector<std::string> splitCrLf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < text.size()) {
        auto end = text.find("\r\n", from);
        if (end == std::string::npos) {
            lines.push_back(text.substr(from));
            break;
        }
        lines.push_back(text.substr(from, end - from));
        from = end + 2;
    }
    return lines;
}

static std::string envDir(const char* name)
{
    const char* v = std::getenv(name);
    if (!v || !*v)
        return "";
    std::string s = v;
    if (s.back() != '/')
        s.push_back('/');
    return s;
}

std::map<std::string, std::string> treeContents(const std::filesystem::path& dir)
{
    std::map<std::string, std::string> tree;
    if (!std::filesystem::exists(dir))
        return tree;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
        const std::string rel = std::filesystem::relative(e.path(), dir).generic_string();
        tree[rel] = e.is_directory() ? "/" : readFile(e.path());
    }
    return tree;
}

std::vector<std::string> leftBeside(const std::filesystem::path& output)
{
    std::vector<std::string> left;
    const auto parent = (output.has_filename() ? output : output.parent_path()).parent_path();
    for (const auto& e : std::filesystem::directory_iterator(parent))
        if (e.path().filename().string().rfind(".pellucor-", 0) == 0)
            left.push_back(e.path().filename().string());
    return left;
}

std::string sampleDir() { return envDir("PELLUCOR_SAMPLE_DIR"); }
std::string sourceDir() { return envDir("PELLUCOR_SOURCE_DIR"); }

RecordingMessageSink::RecordingMessageSink() : previous_(SetMessageSink(this)) { }
RecordingMessageSink::~RecordingMessageSink() { SetMessageSink(previous_); }

void RecordingMessageSink::ShowMessage(const std::string& text) { messages.push_back(text); }

int RecordingMessageSink::AskOkCancel(const std::string& text)
{
    questions.push_back(text);
    if (answers.empty())
        return TavOK;
    const int a = answers.front();
    answers.pop_front();
    return a;
}

int RecordingMessageSink::AskYesNoCancel(const std::string& text)
{
    questions.push_back(text);
    if (answers.empty())
        return TavYes;
    const int a = answers.front();
    answers.pop_front();
    return a;
}

bool RecordingMessageSink::saw(const std::string& fragment) const
{
    for (const auto& list : {&messages, &questions})
        for (const auto& m : *list)
            if (m.find(fragment) != std::string::npos)
                return true;
    return false;
}

}  // namespace testing_support

}  // namespace pellucor
