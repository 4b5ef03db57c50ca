// A presentation application for tests: a list of slides with optional
// titles; exports write a tiny file naming the slide and size. Every call is
// recorded in a shared log so that tests can see what the module asked for.
#pragma once

#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "import/PresentationApp.h"

namespace pellucor {

struct FakeDeck {
    std::vector<std::optional<std::string>> titles;  // one entry per slide
};

struct FakeAppLog {
    std::vector<std::string> calls;
    int quit = 0;
    std::string version = "7.4";
    bool failStart = false, failQuit = false;
    int failExportAt = 0, failSharpAt = 0;                // slide numbers whose export fails, 0 for none
    std::vector<std::pair<std::string, FakeDeck>> decks;  // path -> deck
};

class FakePresentationApp : public PresentationApp {
public:
    explicit FakePresentationApp(FakeAppLog* log) : log_(log) { }
    bool Start(std::string& err) override { return call("start", log_->failStart, "no application", err); }
    std::string Version() override { return log_->version; }
    bool Open(const std::string& path, int& count, std::string& err) override
    {
        log_->calls.push_back("open " + path);
        for (const auto& [p, deck] : log_->decks)
            if (p == path) {
                active_ = &deck.titles;
                count = static_cast<int>(deck.titles.size());
                return true;
            }
        err = "file not found";
        return false;
    }
    bool ExportSlide(int i, const std::string& file, int width, int height, std::string& err) override
    {
        return call("export " + std::to_string(i), i == log_->failExportAt, "disk full", err)
            && (std::ofstream(file, std::ios::binary) << "slide " << i << " " << width << "x" << height).good();
    }
    bool ExportSlideSharp(int i, const std::string& file, int width, std::string& err) override
    {
        return call("", i == log_->failSharpAt, "disk full", err)
            && (std::ofstream(file, std::ios::binary) << "sharp " << i << " " << width).good();
    }
    std::optional<std::string> SlideTitle(int i) override
    {
        if (!active_ || i < 1 || i > static_cast<int>(active_->size()))
            return std::nullopt;
        return (*active_)[static_cast<size_t>(i - 1)];
    }
    bool Quit(std::string& err) override
    {
        const bool ok = call("quit", log_->failQuit, "busy", err);
        log_->quit += ok ? 1 : 0;
        return ok;
    }

private:
    // Logs the call (when named); fails with the description when told to.
    bool call(const std::string& what, bool fail, const char* why, std::string& err)
    {
        if (!what.empty())
            log_->calls.push_back(what);
        if (fail)
            err = why;
        return !fail;
    }
    FakeAppLog* log_;
    const std::vector<std::optional<std::string>>* active_ = nullptr;
};

}  // namespace pellucor
