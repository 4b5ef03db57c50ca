#include "FakePresentationApp.h"

#include <fstream>

namespace pellucor {

bool FakePresentationApp::Start(std::string& err)
{
    log_->calls.push_back("start");
    if (log_->failStart) {
        err = "no application";
        return false;
    }
    ++log_->started;
    return true;
}

bool FakePresentationApp::Open(const std::string& path, int& count, std::string& err)
{
    log_->calls.push_back("open " + path);
    for (const auto& [p, deck] : log_->decks) {
        if (p == path) {
            active_ = &deck;
            count = static_cast<int>(deck.titles.size());
            return true;
        }
    }
    err = "file not found";
    return false;
}

bool FakePresentationApp::ExportSlide(int i, const std::string& file, int width, int height, std::string& err)
{
    log_->calls.push_back("export " + std::to_string(i));
    if (i == log_->failExportAt) {
        err = "disk full";
        return false;
    }
    std::ofstream(file, std::ios::binary) << "slide " << i << " " << width << "x" << height;
    return true;
}

bool FakePresentationApp::ExportSlideSharp(int i, const std::string& file, int width, std::string& err)
{
    if (i == log_->failSharpAt) {
        err = "disk full";
        return false;
    }
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
    log_->calls.push_back("quit");
    if (log_->failQuit) {
        err = "busy";
        return false;
    }
    ++log_->quit;
    return true;
}

}  // namespace pellucor
