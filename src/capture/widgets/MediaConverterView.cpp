#include "capture/widgets/MediaConverterView.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "capture/EncoderSetup.h"
#include "capture/MediaConverter.h"
#include "capture/widgets/ViewBinding.h"

namespace pellucor {

MediaConverterView::MediaConverterView(MediaConverter& model, QWidget* parent)
    : QDialog(parent),
      model_(model),
      speed_(new QListWidget(this)),
      input_(new QLineEdit(this)),
      output_(new QLineEdit(this)),
      progress_(new QProgressBar(this)),
      status_(new QLabel(this))
{
    setWindowTitle(MediaConverter::kCaption);
    progress_->setRange(0, 100);
    status_->setWordWrap(true);
    auto* selInp = ActionButton("Select", this, [this] { model_.chooseInput(); });
    auto* selOut = ActionButton("Select", this, [this] { model_.chooseOutput(); });
    auto* start = ActionButton("Start", this, [this] { model_.start(); });
    auto* cancel = ActionButton("Cancel", this, [this] { model_.cancel(); });
    auto* done = ActionButton("Done", this, [this] { model_.done(); });

    OnRowChosen(speed_, [this](int row) { model_.speedChosen(row); });
    connect(input_, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.inputChanged(t.toStdString()); });
    connect(output_, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.outputChanged(t.toStdString()); });

    auto* fields = new QFormLayout;
    fields->addRow("Input File:", FieldRow(input_, selInp));
    fields->addRow("Output File:", FieldRow(output_, selOut));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start);
    buttons->addWidget(cancel);
    buttons->addWidget(done);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(speed_);
    layout->addLayout(fields);
    layout->addWidget(progress_);
    layout->addLayout(buttons);
    layout->addWidget(status_);

    connect(&model_, &MediaConverter::changed, this, &MediaConverterView::refresh);
    connect(&model_, &MediaConverter::closeRequested, this, [this] { QDialog::done(Accepted); });
    refresh();
}

void MediaConverterView::refresh()
{
    SetListItems(speed_, BitRateItems(), model_.Speed());
    SetFieldText(input_, model_.TxtInput());
    SetFieldText(output_, model_.TxtOutput());
    progress_->setValue(model_.Progress());
    ShowStatus(status_, model_);
}

void MediaConverterView::reject()
{
    model_.done();  // closes through closeRequested when allowed
}

}  // namespace pellucor

#include "moc_MediaConverterView.cpp"
