// pellucor import-slides: export a presentation's slides into a slide
// directory (images, titles.txt, index.htm), printing the progress.
#include "cli/Commands.h"

#include <QDir>
#include <QRegularExpression>

#include <iostream>

#include "core/CommandLine.h"
#include "core/TavUtils.h"
#include "import/SlideExporter.h"
#include "media/GifWriter.h"

namespace pellucor {

namespace {

class PrintedStatus : public SlideExportStatus {
public:
    void SetStatus(const std::string& caption, uint32_t) override { std::cout << caption << std::endl; }
    void SetFile(const std::string& file) override { file_ = Tav_SplitPath(file).last; }
    void SetTitle(const std::string& title) override { std::cout << "  " << file_ << "  " << title << std::endl; }
    void SetPreview(const std::string&) override { }

private:
    std::string file_;
};

bool parseSize(const QString& text, int& width, int& height)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    width = m.captured(1).toInt();
    height = m.captured(2).toInt();
    return width >= 1 && height >= 1 && width <= kMaxGifSide && height <= kMaxGifSide;
}

}  // namespace

int RunImportSlidesCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "import-slides",
                   "Export the slides of a presentation (.pptx, .ppt, .odp) as imgNNN.gif pictures with titles.txt and "
                   "index.htm, using LibreOffice; with each GIF a sharp copy imgNNN.webp, 1920 pixels wide at the "
                   "presentation's own aspect, for pages on today's screens.",
                   {{"file", "The presentation."}});
    QCommandLineParser& parser = cl.parser;
    QCommandLineOption outOpt("out", "Slide directory to write (created when missing).", "dir");
    QCommandLineOption sizeOpt("size", "Picture size WIDTHxHEIGHT (default 640x480).", "size", "640x480");
    QCommandLineOption hiresOpt("hires", "Also write the sharp copies imgNNN.webp (the default).");
    QCommandLineOption noHiresOpt("no-hires", "Write the GIF pictures only.");
    parser.addOptions({outOpt, sizeOpt, hiresOpt, noHiresOpt});
    cl.process();
    if (parser.isSet(hiresOpt) && parser.isSet(noHiresOpt))
        return cl.usage("give --hires or --no-hires, not both");
    if (cl.positional().size() != 1 || !parser.isSet(outOpt))
        return cl.usage("give one presentation file and --out DIR");
    int width = 0;
    int height = 0;
    if (!parseSize(parser.value(sizeOpt), width, height))
        return cl.usage("--size must be WIDTHxHEIGHT, each from 1 to " + std::to_string(kMaxGifSide));
    const QString outDir = QDir(parser.value(outOpt)).absolutePath();
    if (!QDir().mkpath(outDir)) {
        cl.error("cannot create " + outDir.toStdString());
        return 1;
    }
    const std::string file = CommandLinePath(cl.positional().front());

    SlideExporter ppt;
    ppt.sharpCopies = !parser.isSet(noHiresOpt);
    const int count = ppt.PptOpenPresentation(file);
    if (count < 0)
        return 1;
    if (count == 0) {
        ppt.PptClose();
        cl.error("the presentation has no slides");
        return 1;
    }
    PrintedStatus status;
    const bool ok = ppt.PptExportSlides(Tav_DirSlash(outDir.toStdString()), width, height, &status);
    ppt.PptClose();
    return ok ? 0 : 1;
}

}  // namespace pellucor
