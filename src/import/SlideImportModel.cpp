#include "import/SlideImportModel.h"

#include "core/TavUtils.h"
#include "import/SlideExporter.h"

namespace pellucor {

namespace {
struct Size {
    int width, height;
};
constexpr Size kSizes[] = {{320, 240}, {400, 300}, {640, 480}, {800, 600}, {1024, 768}, {960, 540}, {1280, 720}};

Size importSize(int listIndex)
{
    if (listIndex < 0 || listIndex >= static_cast<int>(std::size(kSizes)))
        return {640, 480};
    return kSizes[listIndex];
}
}  // namespace

SlideImportModel::SlideImportModel(SlideExporter* module, QObject* parent)
    : QObject(parent), module_(module ? module : &SlideExporterModule()), worker_(*module_, *this, this)
{
    worker_.onBusy = [this](bool on) {
        busy = on;
        emit changed();
    };
}

QStringList SlideImportModel::SizeList()
{
    QStringList list;
    for (const Size& s : kSizes)
        list << QString::number(s.width) + "x" + QString::number(s.height);
    return list;
}

int SlideImportModel::ImportWidth(int listIndex) { return importSize(listIndex).width; }

int SlideImportModel::ImportHeight(int listIndex) { return importSize(listIndex).height; }

QString SlideImportModel::FileFilter()
{
    return QStringLiteral("PowerPoint Files (*.ppt *.pptx *.pps *.ppsx *.odp *.fodp);;All Files (*)");
}

void SlideImportModel::importSlides()
{
    if (busy)
        return;
    SetProgress(0, 0);
    SetStatus("Opening " + txtFile.toStdString(), kColourYellow);
    const int count = worker_.Open(txtFile.toStdString());
    bool ok = false;
    if (count > 0)
        ok = worker_.Export(Tav_DirSlash(txtDir.toStdString()), ImportWidth(lstSize), ImportHeight(lstSize));
    // LibreOffice's working files go with every import, also a failed one.
    module_->PptClose();
    if (ok)
        SetStatus("All Done.", kColourGreen);
    else if (count == 0)
        SetStatus("The presentation has no slides", kColourYellow);
}

void SlideImportModel::cancel() { worker_.Cancel(); }

void SlideImportModel::done() { emit closeRequested(); }

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

#include "moc_SlideImportModel.cpp"
