#include "TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <gtest/gtest.h>

namespace pellucor::testing_support {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::string name = (fs::temp_directory_path() / "pellucor-test-XXXXXX").string();
    if (!::mkdtemp(name.data()))
        throw std::runtime_error("cannot create a temporary directory");
    path_ = name;
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
    std::ofstream(path, std::ios::binary) << content;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> readLines(const fs::path& path) { return splitCrLf(readFile(path)); }

std::vector<std::string> splitCrLf(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t from = 0, end = 0; from < text.size(); from = end + 2) {
        end = std::min(text.find("\r\n", from), text.size());
        lines.push_back(text.substr(from, end - from));
    }
    return lines;
}

static std::string envDir(const char* name)
{
    const std::string v = std::getenv(name) ? std::getenv(name) : "";
    return v.empty() || v.back() == '/' ? v : v + "/";
}

std::map<std::string, std::string> treeContents(const std::filesystem::path& dir)
{
    std::map<std::string, std::string> tree;
    if (fs::exists(dir))
        for (const auto& e : fs::recursive_directory_iterator(dir))
            tree[fs::relative(e.path(), dir).generic_string()] = e.is_directory() ? "/" : readFile(e.path());
    return tree;
}

std::vector<std::string> leftBeside(const std::filesystem::path& output)
{
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator((output.has_filename() ? output : output.parent_path()).parent_path()))
        if (e.path().filename().string().rfind(".pellucor-", 0) == 0)
            left.push_back(e.path().filename().string());
    return left;
}

std::string sampleDir() { return envDir("PELLUCOR_SAMPLE_DIR"); }
std::string sourceDir() { return envDir("PELLUCOR_SOURCE_DIR"); }

RecordingMessageSink::RecordingMessageSink() : previous_(SetMessageSink(this)) { }
RecordingMessageSink::~RecordingMessageSink() { SetMessageSink(previous_); }

void RecordingMessageSink::ShowMessage(const std::string& text) { messages.push_back(text); }

int RecordingMessageSink::answer(const std::string& text, int yes)
{
    questions.push_back(text);
    if (answers.empty())
        return yes;
    const int a = answers.front();
    answers.pop_front();
    return a;
}

int RecordingMessageSink::AskOkCancel(const std::string& text) { return answer(text, TavOK); }
int RecordingMessageSink::AskYesNoCancel(const std::string& text) { return answer(text, TavYes); }

bool RecordingMessageSink::saw(const std::string& fragment) const
{
    for (const auto& list : {&messages, &questions})
        for (const auto& m : *list)
            if (m.find(fragment) != std::string::npos)
                return true;
    return false;
}

}  // namespace pellucor::testing_support
