#include "capture/widgets/PlayerWindowView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVideoWidget>

#include "capture/PlayerWindow.h"
#include "capture/widgets/ViewBinding.h"

namespace pellucor {

PlayerWindowView::PlayerWindowView(PlayerWindow& model, QVideoWidget* video, QWidget* parent)
    : QDialog(parent), model_(model), video_(video), input_(new QLineEdit(this)), status_(new QLabel(this))
{
    setWindowTitle("RealPlay");
    input_->setReadOnly(true);
    select_ = ActionButton("Select", this, [this] { model_.chooseInput(); });
    play_ = ActionButton("Play", this, [this] { model_.play(); });
    stop_ = ActionButton("Stop", this, [this] { model_.stop(); });
    done_ = ActionButton("Done", this, [this] { model_.done(); });

    QHBoxLayout* file = FieldRow(input_, select_);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {play_, stop_, done_})
        buttons->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    if (video_) {
        video_->setParent(this);
        video_->hide();  // shown once a clip with a picture is open
        layout->addWidget(video_, 1);
    }
    layout->addLayout(file);
    layout->addLayout(buttons);
    layout->addWidget(status_);

    connect(&model_, &PlayerWindow::changed, this, &PlayerWindowView::refresh);
    connect(&model_, &PlayerWindow::closeRequested, this, [this] { QDialog::done(Accepted); });
    connect(&model_, &PlayerWindow::videoSized, this, [this](int width, int height) {
        if (!video_)
            return;
        video_->setMinimumSize(width, height);
        video_->show();
        adjustSize();
    });
    refresh();
}

void PlayerWindowView::refresh()
{
    SetFieldText(input_, model_.TxtInput());
    play_->setText(QString::fromStdString(model_.PlayCaption()));
    play_->setEnabled(model_.PlayEnabled());
    stop_->setEnabled(model_.StopEnabled());
    // Inside the recording flow the recorder drives the player.
    for (QPushButton* b : {select_, play_, stop_, done_})
        b->setVisible(!model_.HelperMode());
    ShowStatus(status_, model_);
}

void PlayerWindowView::reject() { model_.done(); }

}  // namespace pellucor

#include "moc_PlayerWindowView.cpp"
