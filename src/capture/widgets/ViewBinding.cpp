#include "capture/widgets/ViewBinding.h"

#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>

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

void SetFieldText(QLineEdit* edit, const std::string& text)
{
    const QString t = QString::fromStdString(text);
    if (edit->text() != t) {
        const QSignalBlocker block(edit);
        edit->setText(t);
    }
}

void SetListItems(QListWidget* list, const std::vector<std::string>& items, int row)
{
    const QSignalBlocker block(list);
    QStringList texts;
    for (const auto& i : items)
        texts << QString::fromStdString(i);
    bool same = list->count() == texts.size();
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text() == texts[i];
    if (!same) {
        list->clear();
        list->addItems(texts);
    }
    list->setCurrentRow(row >= 0 && row < list->count() ? row : -1);
}

void OnRowChosen(QListWidget* list, std::function<void(int)> chosen)
{
    QObject::connect(list, &QListWidget::currentRowChanged, list, [chosen = std::move(chosen)](int row) {
        if (row >= 0)
            chosen(row);
    });
}

QPushButton* ActionButton(const QString& caption, QWidget* parent, std::function<void()> action)
{
    auto* b = new QPushButton(caption, parent);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, parent, std::move(action));
    return b;
}

QHBoxLayout* FieldRow(QLineEdit* edit, QPushButton* button)
{
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(button);
    return row;
}

}  // namespace pellucor
