#include "capture/widgets/RecordingSetupView.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "capture/RecordingSetup.h"
#include "capture/widgets/ViewBinding.h"

namespace pellucor {

namespace {

void setBackground(QLineEdit* edit, uint32_t colour)
{
    edit->setStyleSheet("background-color: " + StoredColour(colour).name() + ";");
}

void setChecked(QAbstractButton* b, bool on)
{
    const QSignalBlocker block(b);
    b->setChecked(on);
}

}  // namespace

RecordingSetupView::RecordingSetupView(RecordingSetup& model, QWidget* parent)
    : QDialog(parent),
      model_(model),
      file_(new QLineEdit(this)),
      media_(new QLineEdit(this)),
      part_(new QLineEdit(this)),
      slideNum_(new QLineEdit(this)),
      startTime_(new QLineEdit(this)),
      delay_(new QLineEdit(this)),
      partLabel_(new QLabel("Lecture Part", this)),
      multi_(new QCheckBox("Multi-Part Lecture", this)),
      noMedia_(new QRadioButton("No Media", this)),
      encoder_(new QRadioButton("Record Media", this)),
      player_(new QRadioButton("Play Media", this)),
      maxGif_(new QRadioButton("Maximized GIFs", this)),
      gif_(new QRadioButton("Small GIFs", this)),
      none_(new QRadioButton("No Slides", this)),
      count_(new QLabel(this))
{
    setWindowTitle(RecordingSetup::kCaption);
    count_->setWordWrap(true);
    count_->setAutoFillBackground(true);

    const auto edited = [this](QLineEdit* edit, auto apply) {
        connect(edit, &QLineEdit::textEdited, this, [apply](const QString& t) { apply(t.toStdString()); });
    };
    edited(file_, [this](const std::string& t) { model_.fileChanged(t); });
    edited(media_, [this](const std::string& t) { model_.mediaChanged(t); });
    edited(part_, [this](const std::string& t) { model_.partChanged(t); });
    edited(slideNum_, [this](const std::string& t) { model_.Fields().txtSlideNum = t; });
    edited(startTime_, [this](const std::string& t) { model_.Fields().txtStartTime = t; });
    edited(delay_, [this](const std::string& t) { model_.Fields().txtDelay = t; });
    connect(multi_, &QCheckBox::clicked, this, [this](bool on) { model_.multiPartChanged(on); });
    const auto choice = [this](QRadioButton* b, auto apply) {
        connect(b, &QRadioButton::toggled, this, [apply](bool on) {
            if (on)
                apply();
        });
    };
    choice(noMedia_, [this] { model_.SetMediaControl(RecordingSetup::NoMedia); });
    choice(encoder_, [this] { model_.SetMediaControl(RecordingSetup::RecordMedia); });
    choice(player_, [this] { model_.SetMediaControl(RecordingSetup::PlayMedia); });
    choice(maxGif_, [this] { model_.SetDisplayStyle(RecordingSetup::MaximizedGIFs); });
    choice(gif_, [this] { model_.SetDisplayStyle(RecordingSetup::SmallGIFs); });
    choice(none_, [this] { model_.SetDisplayStyle(RecordingSetup::NoSlides); });

    auto* resetEvents = ActionButton("Delete", this, [this] { model_.reset(); });
    resetEvents->setToolTip("Press this to delete an existing events file.");
    auto* delMedia = ActionButton("Delete", this, [this] { model_.deleteMedia(); });
    auto* cancel = ActionButton("Cancel", this, [this] { model_.done(); });
    auto* go = ActionButton("Next >>", this, [this] { model_.startRecording(); });

    auto* files = new QFormLayout;
    files->addRow("Events File", FieldRow(file_, resetEvents));
    files->addRow("Media File", FieldRow(media_, delMedia));
    files->addRow(multi_);
    files->addRow(partLabel_, part_);

    auto* mediaBox = new QGroupBox("Media Control", this);
    auto* mediaLayout = new QVBoxLayout(mediaBox);
    for (QRadioButton* b : {noMedia_, encoder_, player_})
        mediaLayout->addWidget(b);
    auto* styleBox = new QGroupBox("Slide Display Style", this);
    auto* styleLayout = new QVBoxLayout(styleBox);
    for (QRadioButton* b : {maxGif_, gif_, none_})
        styleLayout->addWidget(b);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(mediaBox);
    boxes->addWidget(styleBox);

    auto* start = new QFormLayout;
    start->addRow("Starting Slide", slideNum_);
    start->addRow("Start Time", startTime_);
    start->addRow("Timing Start-up Delay (sec)", delay_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(go);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(files);
    layout->addLayout(boxes);
    layout->addLayout(start);
    layout->addWidget(count_);
    layout->addLayout(buttons);

    connect(&model_, &RecordingSetup::changed, this, &RecordingSetupView::refresh);
    connect(&model_, &RecordingSetup::closeRequested, this, [this] { QDialog::done(Accepted); });
    connect(&model_, &RecordingSetup::visibilityRequested, this, &QWidget::setVisible);
    refresh();
}

void RecordingSetupView::RunModal()
{
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    loop.exec();
}

void RecordingSetupView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    model_.activate();
    growToFit();
}

void RecordingSetupView::refresh()
{
    const RecordingFields& f = model_.Fields();
    SetFieldText(file_, f.txtFile);
    SetFieldText(media_, f.txtMedia);
    SetFieldText(part_, model_.TxtPart());
    SetFieldText(slideNum_, f.txtSlideNum);
    SetFieldText(startTime_, f.txtStartTime);
    SetFieldText(delay_, f.txtDelay);
    setChecked(multi_, model_.ChkMulti());
    partLabel_->setVisible(model_.PartVisible());
    part_->setVisible(model_.PartVisible());
    setChecked(noMedia_, f.chkNoMedia);
    setChecked(encoder_, f.chkEncoder);
    setChecked(player_, f.chkPlayer);
    setChecked(maxGif_, f.chkMaxGIF);
    setChecked(gif_, f.chkGIF);
    setChecked(none_, f.chkNone);
    setBackground(file_, model_.TxtFileColour());
    setBackground(media_, model_.TxtMediaColour());
    ShowStatus(count_, model_);
    growToFit();
}

void RecordingSetupView::growToFit()
{
    // The status line wraps a long warning (an events file already there
    // after a recording) onto more lines than the window had room for:
    // the window grows rather than squeezing the choices above it.
    if (QLayout* l = layout(); l && l->hasHeightForWidth()) {
        const int needed = l->totalHeightForWidth(width());
        if (height() < needed)
            resize(width(), needed);
    }
}

}  // namespace pellucor

#include "moc_RecordingSetupView.cpp"
