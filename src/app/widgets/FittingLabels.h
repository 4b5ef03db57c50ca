// Labels that fit whatever width the window gives them: a line of text
// (a path) elided in the middle with the whole of it as the tooltip, and a
// picture scaled to the label's size, keeping its proportions.
#pragma once

#include <QLabel>
#include <QPixmap>

namespace pellucor {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);
    void SetFullText(const QString& text);
    QString FullText() const { return full_; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();
    QString full_;
};

class ScaledPicture : public QLabel {
    Q_OBJECT
public:
    // minimum: the smallest size the picture may be shown at.
    explicit ScaledPicture(QSize minimum, QWidget* parent = nullptr);
    void SetPicture(const QPixmap& picture);
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width * 3 / 4; }
    QSize sizeHint() const override { return {320, 240}; }
    QSize minimumSizeHint() const override { return minimumSize(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();
    QPixmap picture_;
};

}  // namespace pellucor
