#include "server/widgets/LectureWatcherView.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "server/LectureWatcher.h"

namespace pellucor {

LectureWatcherView::LectureWatcherView(LectureWatcher* model, QWidget* parent) : QWidget(parent), model_(model)
{
    setWindowTitle(QString::fromStdString(model->Caption));
    auto* top = new QVBoxLayout(this);

    auto* settingsBox = new QGroupBox("Settings");
    auto* settings = new QFormLayout(settingsBox);
    addSetting(settings, "Incoming Directory:", &LectureWatcher::txtIncoming, "txtIncoming");
    addSetting(settings, "Repository:", &LectureWatcher::txtRepository, "txtRepository");
    addSetting(settings, "Web (http) directory:", &LectureWatcher::txtPubPrefix, "txtPubPrefix");
    addSetting(settings, "Log file:", &LectureWatcher::txtLogFile, nullptr);
    addSetting(settings, "Web (http) URL:", &LectureWatcher::txtWebPrefix, nullptr);
    addSetting(settings, "Stream (rtsp:) URL:", &LectureWatcher::txtStreamPrefix, nullptr);
    top->addWidget(settingsBox);

    auto* lectureBox = new QGroupBox("Current lecture");
    auto* lecture = new QFormLayout(lectureBox);
    const std::pair<const char*, std::string LectureWatcher::*> derived[] = {
        {"Directory", &LectureWatcher::txtDir},         {"Lecture Name", &LectureWatcher::txtName},
        {"Relative Path", &LectureWatcher::txtRelPath}, {"Web Directory", &LectureWatcher::txtPubDir},
        {"http address", &LectureWatcher::txtWebURL},   {"Stream address", &LectureWatcher::txtStreamURL},
        {"Phase", &LectureWatcher::lblPhase},           {"Status", &LectureWatcher::lblStatus},
    };
    for (const auto& [label, field] : derived) {
        auto* l = new QLabel;
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        labels_[l] = field;
        if (field != &LectureWatcher::txtDir) {
            lecture->addRow(label, l);
            continue;
        }
        // The lecture directory is chosen with the directory chooser.
        auto* row = new QHBoxLayout;
        row->addWidget(l, 1);
        auto* b = new QPushButton("Browse...");
        b->setObjectName("browse_txtDir");
        row->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this] {
            pull();
            model_->browse("txtDir");
            refresh();
        });
        lecture->addRow(label, row);
    }
    top->addWidget(lectureBox);

    auto* buttons = new QHBoxLayout;
    chkAuto_ = new QCheckBox("Auto");
    buttons->addWidget(chkAuto_);
    auto button = [&](const QString& caption, auto handler) {
        auto* b = new QPushButton(caption);
        b->setObjectName(caption);
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
        model_->clearLog();
        refresh();
    });
    button("Preferences", [this] { model_->openPreferences(); });
    top->addLayout(buttons);

    connect(chkAuto_, &QCheckBox::toggled, this, [this](bool on) {
        pull();
        model_->chkAuto = on ? 1 : 0;
        model_->watchingChanged();
    });
    connect(model_, &LectureWatcher::changed, this, &LectureWatcherView::refresh);
    refresh();
}

QLineEdit* LectureWatcherView::addSetting(QFormLayout* form, const QString& label, std::string LectureWatcher::*field,
                                          const char* browseField)
{
    auto* edit = new QLineEdit;
    settings_[edit] = field;
    if (!browseField) {
        form->addRow(label, edit);
        return edit;
    }
    auto* row = new QHBoxLayout;
    row->addWidget(edit);
    auto* b = new QPushButton("Browse...");
    b->setObjectName(QString("browse_") + browseField);
    row->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, browseField] {
        pull();
        model_->browse(browseField);
        refresh();
    });
    form->addRow(label, row);
    return edit;
}

void LectureWatcherView::pull()
{
    for (const auto& [edit, field] : settings_)
        model_->*field = edit->text().toStdString();
}

void LectureWatcherView::refresh()
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

void LectureWatcherView::closeEvent(QCloseEvent* event)
{
    pull();
    model_->unload();
    event->accept();
}

}  // namespace pellucor

#include "moc_LectureWatcherView.cpp"
