#include "capture/widgets/DeviceDialogs.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QSpinBox>
#include <QVBoxLayout>

#include <set>
#include <utility>

#include "capture/FfmpegEncoder.h"

namespace pellucor {

namespace {

const char* const kDefault = "Device default";

// A modal dialog of labelled choices with OK and Cancel.
class ChoiceDialog : public QDialog {
public:
    ChoiceDialog(QWidget* parent, const QString& title) : QDialog(parent), form_(new QFormLayout)
    {
        setWindowTitle(title);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form_);
        layout->addWidget(buttons);
    }

    // A list of (shown text, value) items with the item of value current
    // selected.
    QComboBox* combo(const char* name, const QString& label, const std::vector<std::pair<QString, QString>>& items,
                     const QString& current)
    {
        auto* box = new QComboBox(this);
        box->setObjectName(name);
        for (const auto& [text, value] : items)
            box->addItem(text, value);
        box->setCurrentIndex(std::max(0, box->findData(current)));
        form_->addRow(label, box);
        return box;
    }

    QSpinBox* number(const char* name, const QString& label, int value, int max, const QString& zero)
    {
        auto* box = new QSpinBox(this);
        box->setObjectName(name);
        box->setRange(0, max);
        box->setSpecialValueText(zero);
        box->setValue(value);
        form_->addRow(label, box);
        return box;
    }

    void note(const std::string& text)
    {
        auto* label = new QLabel(QString::fromStdString(text), this);
        label->setWordWrap(true);
        form_->addRow(label);
    }

private:
    QFormLayout* form_;
};

QString number(int n) { return n > 0 ? QString::number(n) : QString(); }

// Numbers offered in a list, with the device's own choice first.
std::vector<std::pair<QString, QString>> numbers(std::initializer_list<int> values, const char* unit)
{
    std::vector<std::pair<QString, QString>> items {{kDefault, QString()}};
    for (int v : values)
        items.emplace_back(QString::number(v) + unit, QString::number(v));
    return items;
}

// Picture sizes: common capture sizes and every size the camera reports.
std::vector<std::pair<QString, QString>> sizes(const FfmpegEncoder& encoder)
{
    std::set<std::pair<int, int>> found = {{160, 120}, {176, 144}, {320, 240}, {352, 288}, {640, 480}};
    if (const CaptureDevice* v = encoder.VideoDevice()) {
        std::string err;
        static const QRegularExpression size("(\\d+)x(\\d+)");
        for (const std::string& line : FfmpegDeviceFormats(*v, err)) {
            auto it = size.globalMatch(QString::fromStdString(line));
            while (it.hasNext()) {
                const auto m = it.next();
                found.emplace(m.captured(1).toInt(), m.captured(2).toInt());
            }
        }
    }
    std::vector<std::pair<QString, QString>> items {{"Output size (160x120)", QString()}};
    for (const auto& [w, h] : found) {
        const QString text = QString::number(w) + "x" + QString::number(h);
        items.emplace_back(text, text);
    }
    return items;
}

std::string formatDialog(FfmpegEncoder& encoder, QWidget* parent)
{
    CaptureFormat f = encoder.Format();
    ChoiceDialog d(parent, "Format");
    const QString size = f.width > 0 ? QString::number(f.width) + "x" + QString::number(f.height) : QString();
    QComboBox* sizeBox = d.combo("size", "Picture size", sizes(encoder), size);
    QComboBox* rateBox
        = d.combo("frameRate", "Frame rate", numbers({5, 10, 15, 20, 25, 30}, " per second"), number(f.frameRate));
    QComboBox* sampleBox
        = d.combo("sampleRate", "Sample rate", numbers({8000, 11025, 16000, 22050, 32000, 44100, 48000}, " Hz"),
                  number(f.sampleRate));
    QComboBox* channelBox
        = d.combo("channels", "Channels", {{kDefault, ""}, {"Mono", "1"}, {"Stereo", "2"}}, number(f.channels));
    if (d.exec() != QDialog::Accepted)
        return std::string();
    const QStringList wh = sizeBox->currentData().toString().split('x');
    f.width = wh.size() == 2 ? wh[0].toInt() : 0;
    f.height = wh.size() == 2 ? wh[1].toInt() : 0;
    f.frameRate = rateBox->currentData().toInt();
    f.sampleRate = sampleBox->currentData().toInt();
    f.channels = channelBox->currentData().toInt();
    encoder.SetFormat(f);
    return std::string();
}

std::string sourceDialog(FfmpegEncoder& encoder, QWidget* parent)
{
    const CaptureDevice* v = encoder.VideoDevice();
    if (!v)
        return "no video device is chosen";
    std::vector<std::pair<QString, QString>> inputs {{"Current input", "-1"}};
    const auto names = FfmpegDeviceInputs(*v);
    for (size_t i = 0; i < names.size(); ++i)
        inputs.emplace_back(QString::fromStdString(names[i]), QString::number(i));
    ChoiceDialog d(parent, QString::fromStdString("Source - " + v->label));
    QComboBox* box = d.combo("input", "Input", inputs, QString::number(encoder.SourceInput()));
    if (names.empty())
        d.note("This device has no inputs to choose from.");
    if (d.exec() == QDialog::Accepted)
        encoder.SetSourceInput(box->currentData().toInt());
    return std::string();
}

std::string compressionDialog(FfmpegEncoder& encoder, QWidget* parent)
{
    EncodingPlan plan;
    std::string err;
    if (!encoder.Plan(plan, err))
        return err;
    CompressionChoice c = encoder.Compression();
    const auto codecs = [&](bool video) {
        std::vector<std::pair<QString, QString>> items;
        for (const std::string& name : FfmpegEncodersFor(encoder.OutputFilename(), plan.options.format, video))
            items.emplace_back(QString::fromStdString(name), QString::fromStdString(name));
        return items;
    };
    ChoiceDialog d(parent, "Compression");
    const bool video = encoder.VideoOn() && !plan.options.dropVideo;
    QComboBox* videoBox = video
        ? d.combo("videoCodec", "Video codec", codecs(true), QString::fromStdString(plan.options.videoCodec))
        : nullptr;
    QSpinBox* videoRate
        = video ? d.number("videoKbps", "Video kbit/s", c.videoKbps, 20000, "From the bit rate list") : nullptr;
    QComboBox* audioBox
        = d.combo("audioCodec", "Audio codec", codecs(false), QString::fromStdString(plan.options.audioCodec));
    QSpinBox* audioRate = d.number("audioKbps", "Audio kbit/s", c.audioKbps, 640, "From the bit rate list");
    for (const std::string& line : CompressionLines(encoder, err))
        d.note("Now: " + line);
    if (d.exec() != QDialog::Accepted)
        return std::string();
    if (videoBox) {
        c.videoCodec = videoBox->currentData().toString().toStdString();
        c.videoKbps = videoRate->value();
    }
    c.audioCodec = audioBox->currentData().toString().toStdString();
    c.audioKbps = audioRate->value();
    encoder.SetCompression(c);
    return std::string();
}

}  // namespace

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
        lines.push_back("Video: " + codec(o.videoCodec) + " at " + std::to_string(o.videoBitRate / 1000) + " kbit/s, "
                        + std::to_string(o.width) + "x" + std::to_string(o.height));
    return lines;
}

void InstallDeviceDialogs(FfmpegEncoder& encoder, QWidget* parent)
{
    encoder.formatDialog = [parent](FfmpegEncoder& e) { return formatDialog(e, parent); };
    encoder.sourceDialog = [parent](FfmpegEncoder& e) { return sourceDialog(e, parent); };
    encoder.compressionDialog = [parent](FfmpegEncoder& e) { return compressionDialog(e, parent); };
}

}  // namespace pellucor
