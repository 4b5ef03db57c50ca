// The presentation application on Linux: LibreOffice run headless. Opening
// converts the presentation to PDF once (in a private LibreOffice profile,
// so a LibreOffice the user is running is never disturbed); slides are then
// rendered from the PDF, and titles and each slide's words are read from
// the presentation's own XML (formats other than OpenDocument and Office
// Open XML are first converted to OpenDocument), else from the PDF's text
// layer. A PDF is opened as it is.
#pragma once

#include <QString>

#include <memory>
#include <mutex>
#include <string>

#include "import/DeckText.h"
#include "import/PdfSlides.h"
#include "import/PresentationApp.h"
#include "import/SlideTitles.h"

class QTemporaryDir;

namespace pellucor {

class LibreOfficeApp : public PresentationApp {
public:
    // soffice: the program to run; empty means $PELLUCOR_SOFFICE, else
    // "soffice" (or "libreoffice") on the PATH.
    explicit LibreOfficeApp(std::string soffice = {});
    ~LibreOfficeApp() override;

    bool Start(std::string& err) override;
    std::string Version() override;
    bool Open(const std::string& path, int& count, std::string& err) override;
    bool ExportSlide(int i, const std::string& file, int width, int height, std::string& err) override;
    bool ExportSlideSharp(int i, const std::string& file, int width, std::string& err) override;
    std::optional<std::string> SlideTitle(int i) override;
    std::optional<DeckSlideText> SlideWords(int i) override;
    bool Quit(std::string& err) override;
    // Ends a running conversion by killing LibreOffice's whole process group.
    void SetCancelled(bool on) override;

    // Longest time one conversion may take.
    static constexpr int kConvertTimeoutMs = 10 * 60 * 1000;

private:
    // Converts input into outDir with the given --convert-to target; the
    // result's path goes to output.
    bool convert(const QString& input, const QString& target, const QString& extension, const QString& outDir,
                 QString& output, std::string& err);

    std::mutex runMutex_;  // guards runningPid_ and cancelled_
    qint64 runningPid_ = 0;
    bool cancelled_ = false;
    QString soffice_;
    std::unique_ptr<QTemporaryDir> work_;
    std::string version_;
    bool versionRead_ = false;
    int opened_ = 0;
    std::unique_ptr<PdfSlides> pages_;
    SlideTitleList titles_;
    std::vector<DeckSlideText> words_;
};

}  // namespace pellucor
