// A presentation application for tests: a list of slides with optional
// titles; exports write a tiny file naming the slide and size. Every call is
// recorded in a shared log so that tests can see what the module asked for.
#pragma once

#include <memory>
#include <optional>
#include <string>
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
    bool Open(const std::string& path, int& count, std::string& err) override;
    bool ExportSlide(int i, const std::string& file, int width, int height, std::string& err) override;
    bool ExportSlideSharp(int i, const std::string& file, int width, std::string& err) override;
    std::optional<std::string> SlideTitle(int i) override;
    bool Quit(std::string& err) override;

private:
    // Logs the call (when named); fails with the description when told to.
    bool call(const std::string& what, bool fail, const char* why, std::string& err);
    FakeAppLog* log_;
    const FakeDeck* active_ = nullptr;
};

}  // namespace pellucor
