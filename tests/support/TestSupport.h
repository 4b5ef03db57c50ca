// Shared test helpers: temporary directories, small file helpers and a
// message sink that records what the program said and answers as told.
#pragma once

#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Messages.h"

namespace pellucor::testing_support {

using Strings = std::vector<std::string>;

// A fresh directory removed again at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // The directory as a directory text (ending in "/").
    std::string dir() const { return path_.string() + "/"; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& path, const std::string& content);
std::string readFile(const std::filesystem::path& path);
std::vector<std::string> readLines(const std::filesystem::path& path);  // split at CR LF
std::vector<std::string> splitCrLf(const std::string& text);
// Whether text holds part; a failure (of EXPECT_TRUE or EXPECT_FALSE) shows the text.
::testing::AssertionResult holds(const std::string& text, const std::string& part);
// How often what occurs in text.
size_t occurrences(const std::string& text, const std::string& what);

std::string sampleDir();  // the generated sample lecture (ends in "/")
// Every file and folder below dir, by relative path, with its contents
// ("/" for a folder): equal for two trees that are byte for byte the same.
std::map<std::string, std::string> treeContents(const std::filesystem::path& dir);
// What a publish left beside an output: the staging and set-aside folders.
std::vector<std::string> leftBeside(const std::filesystem::path& output);
std::string sourceDir();  // the source tree (ends in "/")

// Records every message and question; questions take queued answers (the
// affirmative one when the queue is empty).
class RecordingMessageSink : public MessageSink {
public:
    RecordingMessageSink();
    ~RecordingMessageSink() override;
    void ShowMessage(const std::string& text) override;
    int AskOkCancel(const std::string& text) override;
    int AskYesNoCancel(const std::string& text) override;

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::deque<int> answers;
    bool saw(const std::string& fragment) const;

private:
    int answer(const std::string& text, int yes);
    MessageSink* previous_;
};

}  // namespace pellucor::testing_support
