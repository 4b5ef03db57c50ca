#include "app/MainWindowSlideImport.h"

#include "app/MainWindow.h"
#include "core/TavUtils.h"
#include "import/SlideExporter.h"

namespace pellucor {

MainWindowSlideImport::MainWindowSlideImport(MainWindow& form, SlideExporter* module)
    : form_(form), module_(module ? *module : SlideExporterModule()), worker_(module_, *this, &form)
{
    worker_.onBusy = [this](bool on) {
        if (on)
            form_.ShowProgress(-1);  // not known until the slides are counted
        form_.SetBusy(on);
    };
}

int16_t MainWindowSlideImport::OpenPresentation(const std::string& path) { return worker_.Open(path); }

bool MainWindowSlideImport::ExportSlides(const std::string& slideDir, int width, int height)
{
    return worker_.Export(slideDir, width, height);
}

std::string MainWindowSlideImport::SlideTitle(int i) { return module_.PptSlideTitle(i); }

void MainWindowSlideImport::Close() { module_.PptClose(); }

void MainWindowSlideImport::Cancel() { worker_.Cancel(); }

void MainWindowSlideImport::SetStatus(const std::string& caption, uint32_t backColor)
{
    form_.ShowStatus(caption, backColor);
}

void MainWindowSlideImport::SetFile(const std::string& file)
{
    form_.lblPreview = Tav_SplitPath(file).last;
    emit form_.fieldsChanged();
}

void MainWindowSlideImport::SetTitle(const std::string& title)
{
    form_.lblTitle = title;
    emit form_.fieldsChanged();
}

void MainWindowSlideImport::SetPreview(const std::string& imageFile)
{
    form_.imgPreview = imageFile;
    emit form_.fieldsChanged();
}

void MainWindowSlideImport::SetProgress(int done, int total)
{
    form_.lblCount = std::to_string(done) + "/" + std::to_string(total);
    form_.ShowProgress(total > 0 ? done * 100 / total : 0);
    emit form_.fieldsChanged();
}

}  // namespace pellucor
