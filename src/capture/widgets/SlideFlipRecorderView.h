// The slide-flip recorder's window (SlideFlipRecorder: picture at its own size,
// SlideFlipRecorderScaled: scaled to the window), full screen or windowed.
#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;
class QPushButton;

namespace pellucor {

class SlideFlipRecorder;

class SlideFlipRecorderView : public QWidget {
    Q_OBJECT
public:
    explicit SlideFlipRecorderView(SlideFlipRecorder& model, QWidget* parent = nullptr);

    QLabel* Slide() const { return slide_; }
    // The live preview of the recording (top right), when recording video.
    QLabel* Preview() const { return preview_; }
    // The recording indicator (bottom right) with the elapsed time.
    QLabel* Indicator() const { return indicator_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing the window stops the recording as X does.
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void showPicture();
    void placePreview();
    void placeIndicator();

    SlideFlipRecorder& model_;
    QPixmap picture_;
    QLabel *slide_, *tiny_, *file_, *status_, *preview_, *indicator_;
    QPushButton *plus_, *minus_, *x_;
};

}  // namespace pellucor
