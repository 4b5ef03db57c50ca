#include "capture/widgets/DeviceDialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QVBoxLayout>

#include "capture/FfmpegEncoder.h"

namespace pellucor {

void ShowListDialog(QWidget* parent, const QString& title, const std::vector<std::string>& lines)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(title);
    auto* list = new QListWidget(&dialog);
    for (const auto& line : lines)
        list->addItem(QString::fromStdString(line));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(buttons);
    dialog.exec();
}

std::vector<std::string> CompressionLines(const FfmpegEncoder& encoder, std::string& err)
{
    EncodingPlan plan;
    if (!encoder.Plan(plan, err))
        return {};
    const TranscodeOptions& o = plan.options;
    const auto codec = [](const std::string& name) { return name.empty() ? std::string("format default") : name; };
    std::vector<std::string> lines;
    lines.push_back("Container: " + (o.format.empty() ? std::string("from the file name") : o.format));
    lines.push_back("Audio: " + codec(o.audioCodec) + " at " + std::to_string(o.audioBitRate / 1000) + " kbit/s");
    if (!o.dropVideo && encoder.VideoOn())
        lines.push_back("Video: " + codec(o.videoCodec) + " at " + std::to_string(o.videoBitRate / 1000) + " kbit/s, " +
                        std::to_string(o.width) + "x" + std::to_string(o.height));
    return lines;
}

void InstallDeviceDialogs(FfmpegEncoder& encoder, QWidget* parent)
{
    encoder.formatDialog = [parent](const CaptureDevice& device) {
        std::string err;
        const auto formats = FfmpegDeviceFormats(device, err);
        if (formats.empty())
            return err.empty() ? std::string("the device reports no formats") : err;
        ShowListDialog(parent, QString::fromStdString("Format - " + device.label), formats);
        return std::string();
    };
    encoder.sourceDialog = [parent](const CaptureDevice& device) {
        ShowListDialog(parent, QString::fromStdString("Source - " + device.label),
                       {device.label, "Input format: " + device.format, "Device: " + device.url});
        return std::string();
    };
    encoder.compressionDialog = [parent, &encoder](const CaptureDevice&) {
        std::string err;
        const auto lines = CompressionLines(encoder, err);
        if (lines.empty())
            return err;
        ShowListDialog(parent, "Compression", lines);
        return std::string();
    };
}

}  // namespace pellucor
