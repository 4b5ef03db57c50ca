// pellucor slide-text: make the text files of a lecture's slides (what
// each slide shows, for search, screen readers and titles), reading by OCR
// the slides whose text the presentation did not give, and print where
// each slide's text came from. Ctrl-C stops it; the slides finished stay.
#include "cli/Commands.h"

#include <iostream>

#include "core/CommandLine.h"
#include "core/PreferenceStore.h"
#include "core/SignalStop.h"
#include "core/TavUtils.h"
#include "import/SlideTextMaker.h"

namespace pellucor {

int RunSlideTextCommand(int argc, char** argv)
{
    CommandLine cl(argc, argv, "slide-text",
                   "Make the text of each slide of a lecture (imgNNN.text beside imgNNN.gif): the words the "
                   "presentation holds where slide import read them, else what OCR (Tesseract) reads in the slide's "
                   "picture. Slides whose text still holds are kept, and a lecturer's corrections always are.",
                   {{"lecture", "Lecture directory (slide pictures img001.gif ...)."}});
    QCommandLineParser& parser = cl.parser;
    const QCommandLineOption lang("ocr-lang",
                                  "OCR languages as Tesseract names them, joined by + (default: the preference, "
                                  "\"eng\"); each needs its package tesseract-ocr-LANG.",
                                  "langs");
    const QCommandLineOption redo("redo", "Read again by OCR every slide whose text OCR read before.");
    for (const auto& o : {lang, redo})
        parser.addOption(o);
    cl.process();
    int rc = 0;
    const std::string dir = cl.lectureDir(rc);
    if (dir.empty())
        return rc;
    SlideTextOptions options;
    options.languages = parser.isSet(lang) ? parser.value(lang).toStdString()
                                           : PreferenceStore::ValueIn(PreferenceStore().Read(), "prfOcrLanguage");
    options.redo = parser.isSet(redo);
    const std::vector<std::string> pictures = SlideTextMaker::SlidePictures(dir);
    if (pictures.empty()) {
        cl.error("no slide pictures (img001.gif ...) in " + dir);
        return 1;
    }

    SlideTextMaker maker;
    ProgressPrinter progress = cl.progress("Reading the slides' text");
    maker.onProgress = [&](int done, int total, const std::string&) { progress.Percent(done * 100 / total); };
    maker.onReadStart = [&](int count) {
        progress.Status("Reading " + std::to_string(count) + " of " + std::to_string(pictures.size())
                        + " slides by OCR (" + options.languages + ")");
    };
    SlideTextRun run;
    std::string err;
    int signal = 0;
    bool ok = false;
    {
        const SignalStop stop(maker);
        ok = maker.Make(dir, pictures, options, run, err);
        signal = stop.Signal();
    }
    progress.Finish();
    if (!ok) {
        cl.error(signal ? std::string("cancelled: the slides finished are kept") : err);
        return signal ? 128 + signal : 1;
    }
    for (const std::string& picture : pictures) {
        const auto it = run.texts.find(picture);
        std::cout << picture << "  ";
        if (it == run.texts.end()) {
            std::cout << "no text\n";
            continue;
        }
        const SlideText& t = it->second;
        std::cout << SlideTextSourceLabel(t) << "  " << (t.title.empty() ? ShortSlideText(t, 60) : t.title) << "\n";
    }
    std::cout << run.read << " read by OCR, " << run.kept << " kept." << std::endl;
    if (!run.storeError.empty()) {
        cl.error(run.storeError);
        return 1;
    }
    return 0;
}

}  // namespace pellucor
