#include "import/SlideExporter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/SlideText.h"
#include "core/StatusColours.h"
#include "core/TavUtils.h"
#include "core/TitlesFile.h"
#include "import/LibreOfficeApp.h"

namespace pellucor {

namespace {

constexpr int kTitleBlock = 100;

void yieldToUi()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

std::string shortDateTime()
{
    const QLocale locale = QLocale::system();
    return locale.toString(QDateTime::currentDateTime(), locale.dateTimeFormat(QLocale::ShortFormat)).toStdString();
}

// A title must stay on its line of titles.txt and index.htm: paragraph and
// line breaks of the shape's text become blanks.
std::string singleLine(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    bool inBreak = false;
    for (char c : text) {
        const bool isBreak = c == '\r' || c == '\n' || c == '\v' || c == '\f';
        if (isBreak) {
            if (!inBreak)
                out += ' ';
        } else {
            out += c;
        }
        inBreak = isBreak;
    }
    return out;
}

// The slide's words as the presentation holds them, beside its picture.
bool writeWords(const std::string& picture, const DeckSlideText& words, std::string& err)
{
    SlideText text;
    text.source = words.fromPdf ? SlideTextSource::Pdf : SlideTextSource::Deck;
    text.picture = FileContentHash(picture);
    text.title = words.title;
    text.text = words.text;
    return WriteSlideText(SlideTextFileFor(picture), text, err);
}

class StatusReporter {
public:
    explicit StatusReporter(SlideExportStatus* form) : form_(form) { }
    void status(const std::string& caption, uint32_t colour)
    {
        Tav_DebugLog(caption);
        if (form_)
            form_->SetStatus(caption, colour);
    }
    SlideExportStatus* operator->() const { return form_; }
    explicit operator bool() const { return form_ != nullptr; }

private:
    SlideExportStatus* form_;
};

}  // namespace

SlideExporter::SlideExporter(AppFactory factory)
    : factory_(factory ? std::move(factory) : [] { return std::unique_ptr<PresentationApp>(new LibreOfficeApp()); })
{ }

SlideExporter::~SlideExporter()
{
    if (open_ && app_) {
        std::string err;
        app_->Quit(err);
    }
}

int16_t SlideExporter::PptOpenPresentation(const std::string& path)
{
    std::string err;
    if (!open_) {
        {
            std::lock_guard lock(appMutex_);
            app_ = factory_();
            if (app_)
                app_->SetCancelled(cancelled_);
        }
        if (!app_ || !app_->Start(err)) {
            std::lock_guard lock(appMutex_);
            app_.reset();
            Tav_Message("Unable to Initialize PowerPoint " + err);
            return -1;
        }
        open_ = true;
        lastPath_.clear();
        activeCount_ = -1;
    }
    ppt2000_ = StartsWith(app_->Version(), "9.");
    if (ppt2000_ && !warned2000_) {
        warned2000_ = true;
        Tav_Message("PPT-2000 may behave strangely when being operated by Pellucor.  If you receive a PowerPoint error "
                    "message, try starting PowerPoint and minimizing it and the retry this operation.");
    }
    if (path != lastPath_ || activeCount_ < 0) {
        int count = 0;
        if (!app_->Open(path, count, err)) {
            if (!cancelled_)  // a cancel is no error
                Tav_Message("Unable to Open PowerPoint Presentation " + path + " error=" + err);
            return -1;
        }
        lastPath_ = path;
        activeCount_ = std::clamp(count, 0, 32767);
        Tav_DebugLog("Opened presentation " + path + ", " + std::to_string(activeCount_) + " slides");
    }
    return static_cast<int16_t>(activeCount_);
}

void SlideExporter::setTitle(int i, const std::string& title)
{
    while (i >= static_cast<int>(titles_.size()))
        titles_.resize(titles_.size() + kTitleBlock);
    titles_[i] = title;
}

bool SlideExporter::PptExportSlides(const std::string& slideDir, int width, int height, SlideExportStatus* statusForm)
{
    StatusReporter report(statusForm);
    if (!open_ || !app_ || activeCount_ < 0) {
        Tav_DebugLog("PptExportSlides: no presentation is open");
        return false;
    }
    const std::string dir = Tav_DirSlash(slideDir);
    titles_.assign(kTitleBlock + 1, std::string());
    report.status("Deleting graphics files from " + dir, kColourYellow);
    yieldToUi();

    const std::string indexPath = dir + "index.htm";
    const std::string titlesPath = dir + "titles.txt";
    std::ofstream index(indexPath, std::ios::binary | std::ios::trunc);
    if (!index) {
        Tav_Message("Error - Unable to write to " + indexPath);
        return false;
    }
    std::ofstream titles(titlesPath, std::ios::binary | std::ios::trunc);
    if (!titles) {
        Tav_Message("Error - Unable to write to " + titlesPath);
        return false;
    }
    WriteLine(titles, TitlesFileHeader("PowerPoint"));
    WriteLine(titles, "# Date " + (dateText ? dateText() : shortDateTime()));

    // Old slide images, their sharp copies and their words go without a
    // question each (errors ignored).
    for (const char* pattern : {"img???.gif", "img???.webp", "img???.text"}) {
        for (const std::string& old : ListFiles(dir, pattern)) {
            std::error_code ignored;
            std::filesystem::remove(dir + old, ignored);
        }
    }

    const int count = activeCount_;
    for (int i = 1; i <= count; ++i) {
        const std::string file = PptImageFile(dir, i);
        report.status("Processing Slide " + std::to_string(i) + "/" + std::to_string(count) + "  to " + dir,
                      kColourYellow);
        yieldToUi();
        std::string err;
        if (cancelled_) {
            report.status("Slide import cancelled", kColourYellow);
            return false;
        }
        const std::string sharp = SharpImageFile(dir, i);
        const bool exported = app_->ExportSlide(i, file, width, height, err);
        if (!exported || (sharpCopies && !app_->ExportSlideSharp(i, sharp, kSharpWidth, err))) {
            const std::string text = "Error - Unable to write to " + (exported ? sharp : file) + " " + err;
            Tav_Message(text);
            report.status(text, kColourRed);
            return false;
        }
        if (const auto words = app_->SlideWords(i); words && !writeWords(file, *words, err)) {
            const std::string text = "Error - Unable to write to " + SlideTextFileFor(file) + " " + err;
            Tav_Message(text);
            report.status(text, kColourRed);
            return false;
        }
        std::string title = "Slide " + std::to_string(i);
        if (const auto text = app_->SlideTitle(i); text && !text->empty())
            title = singleLine(*text);
        setTitle(i, title);
        if (report) {
            report->SetFile(file);
            report->SetTitle(title);
            report->SetPreview(file);
            report->SetProgress(i, count);
        }
        WriteLine(index, SlideIndexLine(i, title));
        WriteLine(titles, TitlesFileLine(i, title));
    }
    index.close();
    titles.close();
    for (const auto& [stream, path] : {std::pair {&index, indexPath}, std::pair {&titles, titlesPath}}) {
        if (stream->fail()) {
            Tav_Message("Error - Unable to write to " + path);
            report.status("Error - Unable to write to " + path, kColourRed);
            return false;
        }
    }
    report.status("Slide processing complete - " + std::to_string(count) + " slides", kColourGreen);
    return true;
}

std::string SlideExporter::PptSlideTitle(int i) const
{
    if (!open_ || activeCount_ < 0 || i < 1 || i > activeCount_ || i >= static_cast<int>(titles_.size()))
        return std::string();
    return titles_[i];
}

std::string SlideExporter::PptImageFile(const std::string& dir, int i) { return dir + "img" + Fmt000(i) + ".gif"; }

std::string SlideExporter::SharpImageFile(const std::string& dir, int i) { return dir + "img" + Fmt000(i) + ".webp"; }

void SlideExporter::SetCancelled(bool on)
{
    cancelled_ = on;
    std::lock_guard lock(appMutex_);
    if (app_)
        app_->SetCancelled(on);
}

void SlideExporter::PptClose()
{
    if (!open_)
        return;
    std::string err;
    if (app_ && !app_->Quit(err)) {
        Tav_Message("Problems Closing PowerPoint " + err);
        return;
    }
    {
        std::lock_guard lock(appMutex_);
        app_.reset();
    }
    open_ = false;
    lastPath_.clear();
    activeCount_ = -1;
}

std::string PptQuoteTitle(const std::string& title) { return TitlesFileQuoted(title); }

SlideExporter& SlideExporterModule()
{
    static SlideExporter module;
    return module;
}

int16_t PptOpenPresentation(const std::string& path) { return SlideExporterModule().PptOpenPresentation(path); }

bool PptExportSlides(const std::string& slideDir, int width, int height, SlideExportStatus* statusForm)
{
    return SlideExporterModule().PptExportSlides(slideDir, width, height, statusForm);
}

std::string PptSlideTitle(int i) { return SlideExporterModule().PptSlideTitle(i); }

std::string PptImageFile(const std::string& dir, int i) { return SlideExporter::PptImageFile(dir, i); }

void PptClose() { SlideExporterModule().PptClose(); }

}  // namespace pellucor
