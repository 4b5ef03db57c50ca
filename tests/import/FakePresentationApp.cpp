#include "FakePresentationApp.h"

#include <fstream>

namespace pellucor {

bool FakePresentationApp::call(const std::string& what, bool fail, const char* why, std::string& err)
{
    if (!what.empty())
        log_->calls.push_back(what);
    if (fail)
        err = why;
    return !fail;
}

bool FakePresentationApp::Open(const std::string& path, int& count, std::string& err)
{
    log_->calls.push_back("open " + path);
    for (const auto& [p, deck] : log_->decks)
        if (p == path) {
            active_ = &deck;
            count = static_cast<int>(deck.titles.size());
            return true;
        }
    err = "file not found";
    return false;
}

bool FakePresentationApp::ExportSlide(int i, const std::string& file, int width, int height, std::string& err)
{
    if (!call("export " + std::to_string(i), i == log_->failExportAt, "disk full", err))
        return false;
    std::ofstream(file, std::ios::binary) << "slide " << i << " " << width << "x" << height;
    return true;
}

bool FakePresentationApp::ExportSlideSharp(int i, const std::string& file, int width, std::string& err)
{
    if (!call("", i == log_->failSharpAt, "disk full", err))
        return false;
    std::ofstream(file, std::ios::binary) << "sharp " << i << " " << width;
    return true;
}

std::optional<std::string> FakePresentationApp::SlideTitle(int i)
{
    if (!active_ || i < 1 || i > static_cast<int>(active_->titles.size()))
        return std::nullopt;
    return active_->titles[static_cast<size_t>(i - 1)];
}

bool FakePresentationApp::Quit(std::string& err)
{
    const bool ok = call("quit", log_->failQuit, "busy", err);
    log_->quit += ok ? 1 : 0;
    return ok;
}

}  // namespace pellucor
