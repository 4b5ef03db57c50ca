#include "app/Form2SlideImporter.h"

#include "app/Form2.h"
#include "core/TavUtils.h"
#include "import/TavPowerPoint.h"

Form2SlideImporter::Form2SlideImporter(Form2& form, TavPowerPoint* module)
    : form_(form), module_(module ? *module : TavPowerPointModule())
{
}

int16_t Form2SlideImporter::OpenPresentation(const std::string& path) { return module_.PptOpenPresentation(path); }

bool Form2SlideImporter::ExportSlides(const std::string& slideDir, int width, int height)
{
    return module_.PptExportSlides(slideDir, width, height, this);
}

std::string Form2SlideImporter::SlideTitle(int i) { return module_.PptSlideTitle(i); }

void Form2SlideImporter::Close() { module_.PptClose(); }

void Form2SlideImporter::SetStatus(const std::string& caption, uint32_t backColor)
{
    form_.ShowStatus(caption, backColor);
}

void Form2SlideImporter::SetFile(const std::string& file)
{
    form_.lblPreview = Tav_SplitPath(file).last;
    emit form_.fieldsChanged();
}

void Form2SlideImporter::SetTitle(const std::string& title)
{
    form_.lblTitle = title;
    emit form_.fieldsChanged();
}

void Form2SlideImporter::SetPreview(const std::string& imageFile)
{
    form_.imgPreview = imageFile;
    emit form_.fieldsChanged();
}

void Form2SlideImporter::SetProgress(int done, int total)
{
    form_.lblCount = std::to_string(done) + "/" + std::to_string(total);
    emit form_.fieldsChanged();
}
