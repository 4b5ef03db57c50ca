// The PPTImport dialog without its widgets: the presentation file, the
// output directory, the size list, the status labels and the progress, and
// the Import, Cancel and Done handlers. Import runs LibreOffice off the
// window's thread; the window keeps answering and Cancel ends LibreOffice.
// The widget view binds to it; tests drive it headless.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>

#include "core/StatusColours.h"
#include "import/SlideExportStatus.h"
#include "import/SlideExportWorker.h"

namespace pellucor {

class SlideExporter;

class SlideImportModel : public QObject, public SlideExportStatus {
    Q_OBJECT
public:
    // module: the slide export to drive; null for the process-wide one.
    explicit SlideImportModel(SlideExporter* module = nullptr, QObject* parent = nullptr);

    // Entries of the size list, in order: the 4:3 sizes, then the 16:9
    // ones for widescreen decks.
    static QStringList SizeList();
    // Width and height of the size list entry (640x480 when nothing is
    // selected).
    static int ImportWidth(int listIndex);
    static int ImportHeight(int listIndex);
    // File chooser filter for the presentation file.
    static QString FileFilter();

    // Fields the user edits.
    QString txtFile;   // the presentation
    QString txtDir;    // the output (slide) directory
    int lstSize = -1;  // index into SizeList(), -1 for none

    // What the dialog shows.
    QString lblStatus;
    uint32_t lblStatusBackColor = kColourWhite;
    QString lblFile;
    QString lblTitle;
    QString imgPreview;  // picture file
    // Slides exported out of the total; a total of 0 while busy means the
    // amount is not known yet (LibreOffice converting the presentation).
    int progressDone = 0;
    int progressTotal = 0;
    // An import is under way: only Cancel may be used.
    bool busy = false;

    // Import: opens the presentation and exports its slides into txtDir;
    // returns when that is done, the window's events processed meanwhile.
    void importSlides();
    // Cancel: ends the import under way and LibreOffice.
    void cancel();
    // Done: asks the view to close.
    void done();

    void SetStatus(const std::string& caption, uint32_t backColor) override;
    void SetFile(const std::string& file) override;
    void SetTitle(const std::string& title) override;
    void SetPreview(const std::string& imageFile) override;
    void SetProgress(int done, int total) override;

signals:
    // Any shown field changed.
    void changed();
    void closeRequested();

private:
    SlideExporter* module_;
    SlideExportWorker worker_;
};

}  // namespace pellucor
