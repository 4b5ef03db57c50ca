#include "capture/widgets/EncoderSetupView.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "capture/EncoderSetup.h"
#include "capture/widgets/ViewBinding.h"

namespace pellucor {

EncoderSetupView::EncoderSetupView(EncoderSetup& model, QWidget* parent)
    : QDialog(parent),
      model_(model),
      speed_(new QListWidget(this)),
      audio_(new QListWidget(this)),
      video_(new QListWidget(this)),
      chkVideo_(new QCheckBox("Video", this)),
      output_(new QLineEdit(this)),
      status_(new QLabel(this)),
      preview_(new QLabel(this)),
      level_(new QProgressBar(this))
{
    setWindowTitle(EncoderSetup::kCaption);
    select_ = button("Select", &EncoderSetup::selectDevices);
    setup_ = button("Setup", &EncoderSetup::setUp);
    format_ = button("Format", &EncoderSetup::chooseFormat);
    source_ = button("Source", &EncoderSetup::chooseSource);
    compression_ = button("Compress", &EncoderSetup::chooseCompression);
    start_ = button("Record", &EncoderSetup::start);
    stop_ = button("Stop", &EncoderSetup::stop);
    done_ = button("Done", &EncoderSetup::done);
    cancel_ = button("Cancel", &EncoderSetup::cancel);
    status_->setWordWrap(true);

    OnRowChosen(speed_, [this](int row) { model_.speedChosen(row); });
    OnRowChosen(audio_, [this](int row) { model_.audioDeviceChosen(row); });
    OnRowChosen(video_, [this](int row) { model_.videoDeviceChosen(row); });
    connect(chkVideo_, &QCheckBox::clicked, this, [this](bool on) { model_.videoChanged(on); });
    connect(output_, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.outputChanged(text.toStdString()); });

    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel("Select Bit Rate For Recording:", this), 0, 0);
    lists->addWidget(speed_, 1, 0);
    lists->addWidget(new QLabel("Select Audio Device Driver:", this), 0, 1);
    lists->addWidget(audio_, 1, 1);
    lists->addWidget(new QLabel("Select Video Device Driver:", this), 0, 2);
    lists->addWidget(video_, 1, 2);
    lists->addWidget(chkVideo_, 2, 2);

    QHBoxLayout* file = FieldRow(output_, select_);
    file->insertWidget(0, new QLabel("Output File:", this));

    auto* devices = new QHBoxLayout;
    for (QPushButton* b : {setup_, format_, source_, compression_})
        devices->addWidget(b);
    auto* run = new QHBoxLayout;
    for (QPushButton* b : {start_, stop_, cancel_, done_})
        run->addWidget(b);

    preview_->setObjectName("preview");
    preview_->hide();  // shown with the first picture
    BindPreview(preview_, model_);
    auto* controls = new QVBoxLayout;
    auto* outer = new QHBoxLayout(this);
    outer->addWidget(preview_, 0, Qt::AlignTop);
    outer->addLayout(controls, 1);
    QVBoxLayout* layout = controls;
    layout->addLayout(lists);
    layout->addLayout(file);
    layout->addLayout(devices);
    layout->addLayout(run);
    auto* levelRow = new QHBoxLayout;
    levelRow->addWidget(new QLabel("Sound Level:", this));
    level_->setObjectName("soundLevel");
    level_->setRange(0, 100);
    level_->setTextVisible(false);
    level_->setToolTip("The loudest sound of the audio device, -60 dB to full scale: speak, and keep it out of the "
                       "right end");
    levelRow->addWidget(level_, 1);
    connect(&model_, &EncoderSetup::soundLevelChanged, level_, &QProgressBar::setValue);
    layout->addLayout(levelRow);
    layout->addWidget(status_);

    connect(&model_, &EncoderSetup::changed, this, &EncoderSetupView::refresh);
    connect(&model_, &EncoderSetup::closeRequested, this, &QDialog::accept);
    refresh();
}

QPushButton* EncoderSetupView::button(const QString& caption, void (EncoderSetup::*action)())
{
    return ActionButton(caption, this, [this, action] { (model_.*action)(); });
}

void EncoderSetupView::refresh()
{
    SetListItems(speed_, BitRateItems(), model_.Speed());
    SetListItems(audio_, model_.LstAudio(), model_.AudioIndex());
    SetListItems(video_, model_.LstVideo(), model_.VideoIndex());
    {
        const QSignalBlocker block(chkVideo_);
        chkVideo_->setChecked(model_.ChkVideo());
    }
    chkVideo_->setEnabled(model_.ChkVideoEnabled());
    SetFieldText(output_, model_.TxtOutput());
    // As a step of the recording flow the output file is the lecture's.
    output_->setReadOnly(model_.Wizard());
    select_->setEnabled(!model_.Wizard());
    start_->setEnabled(model_.RecordEnabled());
    stop_->setEnabled(model_.StopEnabled());
    for (QPushButton* b : {format_, source_, compression_}) {
        b->setEnabled(model_.DialogsEnabled());
        b->setVisible(model_.DialogsVisible());
    }
    done_->setText(model_.DoneCaption());
    ShowStatus(status_, model_);
}

}  // namespace pellucor

#include "moc_EncoderSetupView.cpp"
