#include "app/MainWindowSlideImport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>

#include <thread>

#include "app/MainWindow.h"
#include "core/SlideInfo.h"
#include "core/TavUtils.h"
#include "import/SlideExporter.h"

namespace pellucor {

MainWindowSlideImport::MainWindowSlideImport(MainWindow& form, SlideExporter* module)
    : form_(form), module_(module ? *module : SlideExporterModule())
{
}

template <class Work>
auto MainWindowSlideImport::offThread(Work work)
{
    decltype(work()) result{};
    if (!QCoreApplication::instance()) {  // no event loop to keep running
        result = work();
        return result;
    }
    module_.SetCancelled(false);
    busy_ = true;
    form_.ShowProgress(0);
    form_.SetBusy(true);
    QEventLoop wait;
    std::thread worker([&] {
        result = work();
        QMetaObject::invokeMethod(&wait, &QEventLoop::quit, Qt::QueuedConnection);
    });
    wait.exec();
    worker.join();
    busy_ = false;
    form_.SetBusy(false);
    return result;
}

template <class F>
void MainWindowSlideImport::onWindow(F f)
{
    if (QCoreApplication::instance())
        QMetaObject::invokeMethod(&form_, f, Qt::AutoConnection);
    else
        f();
}

int16_t MainWindowSlideImport::OpenPresentation(const std::string& path)
{
    return offThread([&] { return module_.PptOpenPresentation(path); });
}

bool MainWindowSlideImport::ExportSlides(const std::string& slideDir, int width, int height)
{
    return offThread([&] { return module_.PptExportSlides(slideDir, width, height, this); });
}

std::string MainWindowSlideImport::SlideTitle(int i) { return module_.PptSlideTitle(i); }

void MainWindowSlideImport::Close() { module_.PptClose(); }

void MainWindowSlideImport::Cancel()
{
    if (!busy_)
        return;
    form_.ShowStatus("Slide import cancelled", kColourYellow);
    module_.SetCancelled(true);
}

void MainWindowSlideImport::SetStatus(const std::string& caption, uint32_t backColor)
{
    onWindow([this, caption, backColor] { form_.ShowStatus(caption, backColor); });
}

void MainWindowSlideImport::SetFile(const std::string& file)
{
    onWindow([this, file] {
        form_.lblPreview = Tav_SplitPath(file).last;
        emit form_.fieldsChanged();
    });
}

void MainWindowSlideImport::SetTitle(const std::string& title)
{
    onWindow([this, title] {
        form_.lblTitle = title;
        emit form_.fieldsChanged();
    });
}

void MainWindowSlideImport::SetPreview(const std::string& imageFile)
{
    onWindow([this, imageFile] {
        form_.imgPreview = imageFile;
        emit form_.fieldsChanged();
    });
}

void MainWindowSlideImport::SetProgress(int done, int total)
{
    onWindow([this, done, total] {
        form_.lblCount = std::to_string(done) + "/" + std::to_string(total);
        form_.ShowProgress(total > 0 ? done * 100 / total : 0);
        emit form_.fieldsChanged();
    });
}

}  // namespace pellucor
