#include "capture/widgets/ViewBinding.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

#include "capture/CaptureWindow.h"
#include "capture/EncoderSetup.h"

namespace pellucor {

void BindPreview(QLabel* label, EncoderSetup& encoder)
{
    label->setScaledContents(true);
    QObject::connect(&encoder, &EncoderSetup::videoWindowSized, label, [label](int width, int height) {
        label->setFixedSize(width, height);
        label->show();
        if (QWidget* window = label->window(); window && window->layout())
            window->adjustSize();
    });
    QObject::connect(&encoder, &EncoderSetup::previewFrame, label, [label](const PreviewFrame& frame) {
        if (label->isHidden()) {  // the size was reported before this window opened
            label->setFixedSize(frame.width, frame.height);
            label->show();
        }
        const QImage image(frame.rgb.data(), frame.width, frame.height, frame.width * 3, QImage::Format_RGB888);
        label->setPixmap(QPixmap::fromImage(image.copy()));
    });
}

QColor StoredColour(uint32_t value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

void ShowStatus(QLabel* label, const CaptureWindow& model)
{
    label->setText(QString::fromStdString(model.Status()));
    const uint32_t c = model.StatusColour();
    if (c == kColourNormal) {
        label->setAutoFillBackground(false);
        label->setStyleSheet(QString());
        return;
    }
    label->setStyleSheet("background-color: " + StoredColour(c).name() + ";");
}

}  // namespace pellucor
