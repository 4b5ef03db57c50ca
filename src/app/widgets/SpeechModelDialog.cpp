#include "app/widgets/SpeechModelDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/widgets/ProgressRow.h"
#include "speech/SpeechEngines.h"

namespace pellucor {

SpeechModelDialog::SpeechModelDialog(std::function<PreferenceSnapshot()> prefs, QWidget* parent)
    : QDialog(parent), model_(std::move(prefs))
{
    setWindowTitle(tr("Install a Speech Model"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(tr("The Whisper engine makes better captions than PocketSphinx, in many languages, "
                                "with a model of whisper.cpp's list. The larger the model, the better it hears "
                                "and the slower it is; \".en\" models know English only. It goes into %1.")
                                 .arg(QString::fromStdString(SpeechModelsDir())));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto* form = new QFormLayout;
    choice_ = new QComboBox;
    choice_->setObjectName("cboSpeechModel");
    choice_->addItems(model_.Choices());
    choice_->setCurrentIndex(model_.DefaultChoice());
    form->addRow(tr("Model:"), choice_);
    layout->addLayout(form);
    progress_ = new ProgressRow;
    layout->addWidget(progress_);
    outcome_ = new QLabel;
    outcome_->setWordWrap(true);
    layout->addWidget(outcome_);
    auto* row = new QHBoxLayout;
    install_ = new QPushButton(tr("Install"));
    install_->setObjectName("cmdInstall");
    auto* close = new QPushButton(tr("Close"));
    row->addStretch(1);
    row->addWidget(install_);
    row->addWidget(close);
    layout->addLayout(row);

    connect(install_, &QPushButton::clicked, this, [this] {
        if (!model_.Install(choice_->currentIndex()))
            return;
        install_->setEnabled(false);
        choice_->setEnabled(false);
        outcome_->clear();
        progress_->Show(true, 0);
    });
    connect(progress_, &ProgressRow::cancelClicked, &model_, &SpeechModelSetup::Cancel);
    connect(&model_, &SpeechModelSetup::progress, progress_, &ProgressRow::SetPercent);
    connect(&model_, &SpeechModelSetup::finished, this, [this](bool installed, const QString& text) {
        installed_ = installed_ || installed;
        progress_->Show(false, installed ? 100 : 0);
        outcome_->setText(text);
        install_->setEnabled(!installed);
        choice_->setEnabled(!installed);
        if (closing_)
            QDialog::reject();
    });
    connect(close, &QPushButton::clicked, this, &SpeechModelDialog::reject);
}

bool SpeechModelDialog::Run(std::function<PreferenceSnapshot()> prefs, QWidget* parent)
{
    SpeechModelDialog dialog(std::move(prefs), parent);
    dialog.exec();
    return dialog.installed_;
}

void SpeechModelDialog::reject()
{
    // Closing stops a download under way; its .part stays to resume from.
    closing_ = model_.Busy();
    model_.Cancel();
    if (!closing_)
        QDialog::reject();
}

}  // namespace pellucor

#include "moc_SpeechModelDialog.cpp"
