#include "server/widgets/Form3View.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "server/Form3.h"

Form3View::Form3View(Form3* model, QWidget* parent) : QWidget(parent), model_(model)
{
    setWindowTitle(QString::fromStdString(model->Caption));
    auto* top = new QVBoxLayout(this);

    auto* settingsBox = new QGroupBox("Settings");
    auto* settings = new QFormLayout(settingsBox);
    addSetting(settings, "Incoming Directory:", &Form3::txtIncoming, true);
    addSetting(settings, "Repository:", &Form3::txtRepository, true);
    addSetting(settings, "Web (http) directory:", &Form3::txtPubPrefix, true);
    addSetting(settings, "Log file:", &Form3::txtLogFile, false);
    addSetting(settings, "Web (http) URL:", &Form3::txtWebPrefix, false);
    addSetting(settings, "Stream (rtsp:) URL:", &Form3::txtStreamPrefix, false);
    top->addWidget(settingsBox);

    auto* lectureBox = new QGroupBox("Current lecture");
    auto* lecture = new QFormLayout(lectureBox);
    const std::pair<const char*, std::string Form3::*> derived[] = {
        {"Directory", &Form3::txtDir},           {"Lecture Name", &Form3::txtName},
        {"Relative Path", &Form3::txtRelPath},   {"Web Directory", &Form3::txtPubDir},
        {"http address", &Form3::txtWebURL},     {"Stream address", &Form3::txtStreamURL},
        {"Phase", &Form3::lblPhase},             {"Status", &Form3::lblStatus},
    };
    for (const auto& [label, field] : derived) {
        auto* l = new QLabel;
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        lecture->addRow(label, l);
        labels_[l] = field;
    }
    top->addWidget(lectureBox);

    auto* buttons = new QHBoxLayout;
    chkAuto_ = new QCheckBox("Auto");
    buttons->addWidget(chkAuto_);
    auto button = [&](const QString& caption, auto handler) {
        auto* b = new QPushButton(caption);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, handler);
    };
    auto manual = [this](auto action) {
        return [this, action] {
            chkAuto_->setChecked(false);
            pull();
            action();
            refresh();
        };
    };
    button("Check", manual([this] { model_->FindReadyLecture(); }));
    button("Go for It", manual([this] { model_->CheckIncoming(); }));
    button("Make Index", manual([this] { model_->WriteIndexPage(); }));
    button("Pellucor", manual([this] { model_->PublishLecture(); }));
    button("Clear Log", [this] {
        model_->cmdClearLog_Click();
        refresh();
    });
    button("Preferences", [this] { emit preferencesRequested(); });
    top->addLayout(buttons);

    connect(chkAuto_, &QCheckBox::toggled, this, [this](bool on) {
        pull();
        model_->chkAuto = on ? 1 : 0;
        model_->chkAuto_Click();
    });
    connect(model_, &Form3::changed, this, &Form3View::refresh);
    refresh();
}

QLineEdit* Form3View::addSetting(QFormLayout* form, const QString& label, std::string Form3::*field, bool browse)
{
    auto* edit = new QLineEdit;
    settings_[edit] = field;
    if (!browse) {
        form->addRow(label, edit);
        return edit;
    }
    auto* row = new QHBoxLayout;
    row->addWidget(edit);
    auto* b = new QPushButton("Browse...");
    row->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, edit] {
        const QString dir = QFileDialog::getExistingDirectory(this, "Select a directory", edit->text());
        if (!dir.isEmpty())
            edit->setText(dir + "/");
    });
    form->addRow(label, row);
    return edit;
}

void Form3View::pull()
{
    for (const auto& [edit, field] : settings_)
        model_->*field = edit->text().toStdString();
}

void Form3View::refresh()
{
    for (const auto& [edit, field] : settings_)
        if (!edit->hasFocus())
            edit->setText(QString::fromStdString(model_->*field));
    for (const auto& [label, field] : labels_)
        label->setText(QString::fromStdString(model_->*field));
    chkAuto_->blockSignals(true);
    chkAuto_->setChecked(model_->chkAuto != 0);
    chkAuto_->blockSignals(false);
}

void Form3View::closeEvent(QCloseEvent* event)
{
    pull();
    model_->Form_Unload();
    event->accept();
}
