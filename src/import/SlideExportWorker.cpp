#include "import/SlideExportWorker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <thread>

#include "core/StatusColours.h"
#include "import/SlideExporter.h"

namespace pellucor {

SlideExportWorker::SlideExportWorker(SlideExporter& module, SlideExportStatus& display, QObject* context)
    : module_(module), display_(display), context_(context)
{ }

template <class Work> auto SlideExportWorker::run(Work work)
{
    decltype(work()) result {};
    cancelled_ = false;
    module_.SetCancelled(false);
    if (!QCoreApplication::instance()) {  // no event loop to keep running
        result = work();
        return result;
    }
    busy_ = true;
    if (onBusy)
        onBusy(true);
    QEventLoop wait;
    std::thread worker([&] {
        result = work();
        // Queued behind every report the step sent.
        QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
    });
    wait.exec();
    worker.join();
    module_.SetCancelled(false);
    busy_ = false;
    if (onBusy)
        onBusy(false);
    return result;
}

void SlideExportWorker::ended(bool failed)
{
    // A Cancel that came too late to stop anything changed nothing.
    if (!failed)
        cancelled_ = false;
    if (cancelled_)
        display_.SetStatus(kCancelledText, kColourYellow);
}

template <class F> void SlideExportWorker::onDisplay(F f)
{
    if (context_)
        QMetaObject::invokeMethod(context_, f, Qt::AutoConnection);
}

int16_t SlideExportWorker::Open(const std::string& path)
{
    const int16_t count = run([&] { return module_.PptOpenPresentation(path); });
    ended(count < 0);
    return count;
}

bool SlideExportWorker::Export(const std::string& slideDir, int width, int height)
{
    const bool ok = run([&] { return module_.PptExportSlides(slideDir, width, height, this); });
    ended(!ok);
    return ok;
}

void SlideExportWorker::Cancel()
{
    if (!busy_)
        return;
    cancelled_ = true;
    module_.SetCancelled(true);
}

void SlideExportWorker::SetStatus(const std::string& caption, uint32_t backColor)
{
    onDisplay([this, caption, backColor] { display_.SetStatus(caption, backColor); });
}

void SlideExportWorker::SetFile(const std::string& file)
{
    onDisplay([this, file] { display_.SetFile(file); });
}

void SlideExportWorker::SetTitle(const std::string& title)
{
    onDisplay([this, title] { display_.SetTitle(title); });
}

void SlideExportWorker::SetPreview(const std::string& imageFile)
{
    onDisplay([this, imageFile] { display_.SetPreview(imageFile); });
}

void SlideExportWorker::SetProgress(int done, int total)
{
    onDisplay([this, done, total] { display_.SetProgress(done, total); });
}

}  // namespace pellucor
