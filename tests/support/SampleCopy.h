// Copies of the generated sample lecture for tests that change or publish
// one: its files (slides, titles, events, media) into a directory.
#pragma once

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "TestSupport.h"

namespace pellucor::testing_support {

// Copies the sample's files into dir (made when missing), but those named
// in except; a file already there is replaced.
inline void copySampleInto(const std::filesystem::path& dir, std::initializer_list<std::string> except = {})
{
    namespace fs = std::filesystem;
    fs::create_directories(dir);
    for (const auto& e : fs::directory_iterator(sampleDir()))
        if (e.is_regular_file() && std::count(except.begin(), except.end(), e.path().filename().string()) == 0)
            fs::copy_file(e.path(), dir / e.path().filename(), fs::copy_options::overwrite_existing);
}

}  // namespace pellucor::testing_support
