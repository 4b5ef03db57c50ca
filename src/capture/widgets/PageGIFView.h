// The slide-flip recorder's window (PageGIF: picture at its own size,
// PageGIF2: scaled to the window), full screen or windowed.
#pragma once

#include <QPixmap>
#include <QWidget>

class PageGIF;
class QLabel;
class QPushButton;

class PageGIFView : public QWidget {
    Q_OBJECT
public:
    explicit PageGIFView(PageGIF& model, QWidget* parent = nullptr);

    QLabel* Slide() const { return slide_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing the window stops the recording as X does.
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void showPicture();

    PageGIF& model_;
    QPixmap picture_;
    QLabel *slide_, *tiny_, *file_, *status_;
    QPushButton *plus_, *minus_, *x_;
};
