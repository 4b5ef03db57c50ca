#include "capture/widgets/SlideFlipRecorderView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "capture/EncoderSetup.h"
#include "capture/SlideFlipRecorder.h"
#include "capture/widgets/ViewBinding.h"

namespace pellucor {

SlideFlipRecorderView::SlideFlipRecorderView(SlideFlipRecorder& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      slide_(new QLabel(this)),
      tiny_(new QLabel(this)),
      file_(new QLabel(this)),
      status_(new QLabel(this)),
      preview_(new QLabel(this)),
      indicator_(new QLabel(this)),
      plus_(new QPushButton("+", this)),
      minus_(new QPushButton("-", this)),
      x_(new QPushButton("X", this))
{
    setWindowTitle("Pellucor");
    setFocusPolicy(Qt::StrongFocus);
    slide_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    slide_->setScaledContents(model_.Scaled());
    tiny_->setGeometry(10, 40, 160, 120);
    tiny_->setScaledContents(true);
    file_->setGeometry(10, 170, 600, 24);
    status_->setGeometry(10, 10, 400, 24);
    plus_->setGeometry(420, 10, 30, 24);
    minus_->setGeometry(455, 10, 30, 24);
    x_->setGeometry(490, 10, 30, 24);
    // Keys work whichever element has the focus.
    for (QWidget* w : {static_cast<QWidget*>(plus_), static_cast<QWidget*>(minus_), static_cast<QWidget*>(x_)})
        w->installEventFilter(this);
    // Small and translucent, so it does not cover the slide the audience sees.
    indicator_->setObjectName("recordingIndicator");
    indicator_->setStyleSheet("background: rgba(0, 0, 0, 110); color: rgb(255, 90, 90); padding: 2px 6px;"
                              "border-radius: 4px;");
    indicator_->hide();
    preview_->setObjectName("preview");
    preview_->hide();  // shown with the first picture of the recording
    if (model_.encoder) {
        BindPreview(preview_, *model_.encoder);
        connect(model_.encoder, &EncoderSetup::previewFrame, this, [this] { placePreview(); });
    }
    connect(plus_, &QPushButton::clicked, this, [this] { model_.increase(); });
    connect(minus_, &QPushButton::clicked, this, [this] { model_.decrease(); });
    connect(x_, &QPushButton::clicked, this, [this] { model_.finish(); });

    model_.loadPicture = [this](const std::string& path) {
        QPixmap p;
        if (!p.load(QString::fromStdString(path)))
            return false;
        picture_ = p;
        return true;
    };
    connect(&model_, &SlideFlipRecorder::changed, this, &SlideFlipRecorderView::refresh);
    connect(&model_, &SlideFlipRecorder::raiseRequested, this, [this] {
        raise();
        activateWindow();
        setFocus();
    });
    connect(&model_, &SlideFlipRecorder::closeRequested, this, &QWidget::close);

    if (model_.WindowMode() == SlideFlipRecorder::FullScreen) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            setGeometry(screen->geometry());
        setWindowState(Qt::WindowFullScreen);
    } else {
        resize(640, 480);
    }
    refresh();
}

void SlideFlipRecorderView::showPicture()
{
    slide_->setPixmap(model_.SlideVisible() ? picture_ : QPixmap());
    tiny_->setPixmap(model_.TinyVisible() ? picture_ : QPixmap());
}

void SlideFlipRecorderView::refresh()
{
    const bool buttons = model_.ButtonsVisible();
    plus_->setVisible(buttons);
    minus_->setVisible(buttons);
    x_->setVisible(buttons);
    status_->setVisible(model_.StatusVisible());
    ShowStatus(status_, model_);
    file_->setText(QString::fromStdString(model_.LblFile()));
    file_->setVisible(model_.LblFileVisible());
    tiny_->setVisible(model_.TinyVisible());
    slide_->setVisible(model_.SlideVisible());
    showPicture();
    slide_->lower();
    const QString indicator = QString::fromStdString(model_.Indicator());
    indicator_->setText(indicator);
    indicator_->setVisible(!indicator.isEmpty());
    placeIndicator();
}

void SlideFlipRecorderView::placeIndicator()
{
    indicator_->adjustSize();
    indicator_->move(width() - indicator_->width() - 8, height() - indicator_->height() - 8);
    indicator_->raise();
}

void SlideFlipRecorderView::placePreview()
{
    preview_->move(width() - preview_->width() - 10, 10);
    preview_->raise();
}

void SlideFlipRecorderView::resizeEvent(QResizeEvent* event)
{
    slide_->setGeometry(0, 0, width(), height());
    placePreview();
    placeIndicator();
    QWidget::resizeEvent(event);
}

void SlideFlipRecorderView::closeEvent(QCloseEvent* event)
{
    if (!model_.Stopped())
        model_.finish();
    QWidget::closeEvent(event);
}

void SlideFlipRecorderView::keyPressEvent(QKeyEvent* event)
{
    if (!model_.keyDown(event->key()))
        QWidget::keyPressEvent(event);
}

bool SlideFlipRecorderView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && model_.keyDown(static_cast<QKeyEvent*>(event)->key()))
        return true;
    return QWidget::eventFilter(watched, event);
}

}  // namespace pellucor

#include "moc_SlideFlipRecorderView.cpp"
