// Runs the slide export's long steps (opening a presentation, which has
// LibreOffice convert it, and exporting its slides) on a worker thread while
// the calling thread goes on processing its events, and hands the export's
// reports to a status display on the calling thread. Cancel, from the
// calling thread, ends LibreOffice's work under way; the step then fails and
// the display is told that it was cancelled. The import dialog and the main
// window both run their imports through one of these. Without a Qt
// application (a plain command) the steps simply run in place.
#pragma once

#include <QPointer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "import/SlideExportStatus.h"

class QObject;

namespace pellucor {

class SlideExporter;

class SlideExportWorker : private SlideExportStatus {
public:
    // display: where the reports go; context: an object living on the
    // calling thread (the display's window model).
    SlideExportWorker(SlideExporter& module, SlideExportStatus& display, QObject* context);

    // The module's PptOpenPresentation and PptExportSlides, off this thread.
    int16_t Open(const std::string& path);
    bool Export(const std::string& slideDir, int width, int height);

    // While a step runs: ends it and LibreOffice's work.
    void Cancel();
    bool Busy() const { return busy_; }
    // The last step ended because of a Cancel.
    bool Cancelled() const { return cancelled_; }

    // Told on the calling thread when a step starts (true) and ends (false).
    std::function<void(bool busy)> onBusy;

    // The status a cancelled step leaves on the display.
    static constexpr const char* kCancelledText = "Slide import cancelled: LibreOffice was stopped";

private:
    template <class Work> auto run(Work work);
    // Runs f on the calling thread.
    template <class F> void onDisplay(F f);
    void ended(bool failed);

    void SetStatus(const std::string& caption, uint32_t backColor) override;
    void SetFile(const std::string& file) override;
    void SetTitle(const std::string& title) override;
    void SetPreview(const std::string& imageFile) override;
    void SetProgress(int done, int total) override;

    SlideExporter& module_;
    SlideExportStatus& display_;
    QPointer<QObject> context_;
    bool busy_ = false;
    std::atomic<bool> cancelled_ {false};
};

}  // namespace pellucor
