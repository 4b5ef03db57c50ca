#include "import/SlideImportModel.h"

#include "core/TavUtils.h"
#include "import/SlideExporter.h"

namespace pellucor {

namespace {
constexpr int kWidths[] = {320, 400, 640, 800, 1024};
}

SlideImportModel::SlideImportModel(SlideExporter* module, QObject* parent)
    : QObject(parent), module_(module ? module : &SlideExporterModule())
{
}

QStringList SlideImportModel::SizeList() { return {"320x240", "400x300", "640x480", "800x600", "1024x768"}; }

int SlideImportModel::ImportWidth(int listIndex)
{
    if (listIndex < 0 || listIndex >= static_cast<int>(std::size(kWidths)))
        return 640;
    return kWidths[listIndex];
}

int SlideImportModel::ImportHeight(int listIndex) { return ImportWidth(listIndex) * 60 / 80; }

QString SlideImportModel::FileFilter()
{
    return QStringLiteral("PowerPoint Files (*.ppt *.pptx *.pps *.ppsx *.odp *.fodp);;All Files (*)");
}

void SlideImportModel::cmdImport_Click()
{
    SlideExporter& ppt = *module_;
    const int count = ppt.PptOpenPresentation(txtFile.toStdString());
    bool ok = false;
    if (count > 0) {
        const int width = ImportWidth(lstSize);
        ok = ppt.PptExportSlides(Tav_DirSlash(txtDir.toStdString()), width, ImportHeight(lstSize), this);
    }
    // LibreOffice's working files go with every import, also a failed one.
    ppt.PptClose();
    if (ok)
        SetStatus("All Done.", kColourGreen);
    else if (count == 0)
        SetStatus("The presentation has no slides", kColourYellow);
}

void SlideImportModel::cmdDone_Click() { emit closeRequested(); }

void SlideImportModel::SetStatus(const std::string& caption, uint32_t backColor)
{
    lblStatus = QString::fromStdString(caption);
    lblStatusBackColor = backColor;
    emit changed();
}

void SlideImportModel::SetFile(const std::string& file)
{
    lblFile = QString::fromStdString(file);
    emit changed();
}

void SlideImportModel::SetTitle(const std::string& title)
{
    lblTitle = QString::fromStdString(title);
    emit changed();
}

void SlideImportModel::SetPreview(const std::string& imageFile)
{
    imgPreview = QString::fromStdString(imageFile);
    emit changed();
}

void SlideImportModel::SetProgress(int done, int total)
{
    progressDone = done;
    progressTotal = total;
    emit changed();
}

}  // namespace pellucor
