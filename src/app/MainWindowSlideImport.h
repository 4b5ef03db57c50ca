// The main window's "Select PowerPoint" and "Convert PPT to GIFs": the slide
// export module, run on a worker thread while the window keeps answering,
// showing its progress on the main window (status line, slide name, title,
// preview picture and progress bar); Cancel ends LibreOffice.
#pragma once

#include <cstdint>
#include <string>

#include "app/FrontEndHooks.h"
#include "import/SlideExportStatus.h"
#include "import/SlideExportWorker.h"

namespace pellucor {

class MainWindow;
class SlideExporter;

class MainWindowSlideImport : public SlideImporter, private SlideExportStatus {
public:
    // module: null for the process-wide one.
    explicit MainWindowSlideImport(MainWindow& form, SlideExporter* module = nullptr);

    int16_t OpenPresentation(const std::string& path) override;
    bool ExportSlides(const std::string& slideDir, int width, int height) override;
    std::string SlideTitle(int i) override;
    void Close() override;
    void Cancel() override;
    bool Busy() const override { return worker_.Busy(); }

private:
    void SetStatus(const std::string& caption, uint32_t backColor) override;
    void SetFile(const std::string& file) override;
    void SetTitle(const std::string& title) override;
    void SetPreview(const std::string& imageFile) override;
    void SetProgress(int done, int total) override;

    MainWindow& form_;
    SlideExporter& module_;
    SlideExportWorker worker_;
};

}  // namespace pellucor
