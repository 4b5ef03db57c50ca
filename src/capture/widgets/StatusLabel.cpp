#include "capture/widgets/StatusLabel.h"

#include <QLabel>

#include "capture/CaptureWindow.h"

void ShowStatus(QLabel* label, const CaptureWindow& model)
{
    label->setText(QString::fromStdString(model.Status()));
    const uint32_t c = model.StatusColour();
    if (c == kColourNormal) {
        label->setAutoFillBackground(false);
        label->setStyleSheet(QString());
        return;
    }
    // Stored colours are BGR.
    const QColor colour(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
    label->setStyleSheet("background-color: " + colour.name() + ";");
}
