#include "app/widgets/FittingLabels.h"

#include <QResizeEvent>

namespace pellucor {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void ElidedLabel::SetFullText(const QString& text)
{
    full_ = text;
    setToolTip(text);
    fit();
}

QSize ElidedLabel::minimumSizeHint() const
{
    return {fontMetrics().averageCharWidth() * 8, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    fit();
}

void ElidedLabel::fit() { setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, std::max(width(), 1))); }

ScaledPicture::ScaledPicture(QSize minimum, QWidget* parent) : QLabel(parent)
{
    setMinimumSize(minimum);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAlignment(Qt::AlignCenter);
}

void ScaledPicture::SetPicture(const QPixmap& picture)
{
    picture_ = picture;
    fit();
}

void ScaledPicture::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    fit();
}

void ScaledPicture::fit()
{
    if (picture_.isNull())
        clear();
    else
        setPixmap(picture_.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace pellucor

#include "moc_FittingLabels.cpp"
