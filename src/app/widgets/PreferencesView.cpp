#include "app/widgets/PreferencesView.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <functional>

#include "app/Preferences.h"
#include "app/SpeechModelSetup.h"
#include "app/widgets/SpeechModelDialog.h"
#include "core/PreferenceStore.h"

namespace pellucor {

namespace {
QLabel* note(const char* text)
{
    auto* l = new QLabel(QString::fromUtf8(text));
    l->setWordWrap(true);
    return l;
}

// Which tab a preference goes on.
int tabOf(const std::string& key)
{
    if (key.rfind("prfsrv", 0) == 0)
        return 3;
    if (key == "prfEvent32" || key == "prfRmmerge" || key == "prfEvents" || key == "prfRmcut")
        return 2;
    if (key.find("Host") != std::string::npos || key.find("Account") != std::string::npos
        || key.find("Upload") != std::string::npos)
        return 1;
    return 0;
}
}  // namespace

PreferencesView::PreferencesView(Preferences* model, QWidget* parent) : QDialog(parent), model_(model)
{
    setWindowTitle(tr("Preferences"));
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget;
    layout->addWidget(tabs);
    QFormLayout* forms[4];
    QWidget* pages[4];
    const char* names[4] = {"Paths", "Upload", "Events", "Server"};
    for (int i = 0; i < 4; ++i) {
        pages[i] = new QWidget;
        auto* v = new QVBoxLayout(pages[i]);
        forms[i] = new QFormLayout;
        forms[i]->setRowWrapPolicy(QFormLayout::WrapLongRows);
        v->addLayout(forms[i]);
        v->addStretch(1);
        // Each page scrolls on a short screen.
        auto* scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidget(pages[i]);
        tabs->addTab(scroll, tr(names[i]));
    }
    for (const PrefDef& d : Preferences::Definitions()) {
        // A Yes/No preference is a box to tick, not text to type.
        const QString label = QString::fromUtf8(d.label);
        if (label.endsWith(QStringLiteral(" (Yes/No)"))) {
            auto* box = new QCheckBox(label.chopped(9));
            box->setObjectName(d.key);
            checks_[d.key] = box;
            forms[tabOf(d.key)]->addRow(box);
            const std::string key = d.key;
            connect(box, &QCheckBox::clicked, this, [this, key](bool on) { model_->Set(key, on ? "Yes" : "No"); });
            continue;
        }
        auto* edit = new QLineEdit;
        edit->setObjectName(d.key);
        edit->setMinimumWidth(fontMetrics().averageCharWidth() * 30);
        fields_[d.key] = edit;
        forms[tabOf(d.key)]->addRow(QString::fromUtf8(d.label), edit);
        const std::string key = d.key;
        connect(edit, &QLineEdit::textEdited, this,
                [this, key](const QString& t) { model_->Set(key, t.toStdString()); });
    }
    // Where the captions would find no Whisper model: the way to one.
    installModel_ = new QPushButton(tr("Install a speech model…"));
    installModel_->setObjectName("cmdInstallSpeechModel");
    forms[0]->addRow(installModel_);
    connect(installModel_, &QPushButton::clicked, this, [this] {
        SpeechModelDialog::Run([this] { return model_->Snapshot(); }, this);
        refresh();
    });
    forms[0]->addRow(note("In the above fields ${lecname} will be replaced by the last portion of the lecture "
                          "directory name, ${lecdir} will be replaced by the entire lecture directory path, and "
                          "${lecparent} will be replaced by the path to the directory one level above the lecture "
                          "directory.  This does not apply to the style directory."));
    forms[1]->addRow(note("If the \"Web Upload  Host\" is left blank, the default host name will be taken from the "
                          "URL where the lecture will be stored.  Normally you should just leave this blank.  The "
                          "default host name can always be overridden on the FTP upload screen."));
    forms[2]->addRow(note("Normally, the built-in events processing should be used.  However, to retain backwards "
                          "compatibility with Pellucor 3000 and RealEncoder as early as version 5.0, this preference "
                          "area is retained.  Generally use one of the buttons to select the external program (and "
                          "files) to be used for events processing.  Setting this preference will affect both the "
                          "\"More Detail\" and \"Less Detail\" operations."));
    const std::pair<const char*, void (Preferences::*)()> presets[] = {
        {"Built-In Events (Default)", &Preferences::chooseBuiltIn},
        {"RealProducer 6.0 or higher", &Preferences::chooseG2},
        {"Real Encoder 5.0", &Preferences::chooseRE5},
        {"RealPublisher 5.0", &Preferences::chooseRP50},
        {"RealProducerPlus 6.0 or higher", &Preferences::chooseRPPlus},
    };
    for (const auto& [caption, click] : presets) {
        auto* b = new QPushButton(tr(caption));
        forms[2]->addRow(b);
        connect(b, &QPushButton::clicked, this, [this, click = click] {
            std::invoke(click, model_);
            refresh();
        });
    }
    forms[3]->addRow(note("These fields are used to store the defaults for server mode.  They can be changed here "
                          "or in server mode."));
    forms[3]->addRow(note("Leave the Stream URL blank if you do not have a streaming server."));

    auto* row = new QHBoxLayout;
    auto* cmdDefault = new QPushButton(tr("Defaults"));
    auto* cmdSave = new QPushButton(tr("Save"));
    auto* cancel = new QPushButton(tr("Cancel"));
    cmdDefault->setObjectName("cmdDefault");
    cmdSave->setObjectName("cmdSave");
    cancel->setObjectName("Command1");
    row->addWidget(cmdDefault);
    row->addStretch(1);
    row->addWidget(cmdSave);
    row->addWidget(cancel);
    layout->addLayout(row);
    connect(cmdDefault, &QPushButton::clicked, this, [this] {
        model_->restoreDefaults();
        refresh();
    });
    connect(cmdSave, &QPushButton::clicked, this, [this] { model_->save(); });
    connect(cancel, &QPushButton::clicked, this, [this] { model_->cancel(); });
    connect(model_, &Preferences::hideRequested, this, &QDialog::hide);
}

void PreferencesView::reject()
{
    model_->cancel();
    // The model asks to be hidden; a dialog is also rejected when it is
    // closed while already hidden.
    QDialog::reject();
}

void PreferencesView::refresh()
{
    installModel_->setVisible(SpeechModelSetup::NoModel(model_->Snapshot()));
    for (auto& [key, box] : checks_)
        box->setChecked(PreferenceOn(model_->Get(key)));
    for (auto& [key, edit] : fields_) {
        const QString v = QString::fromStdString(model_->Get(key));
        if (edit->text() != v)
            edit->setText(v);
    }
}

void PreferencesView::showEvent(QShowEvent* event)
{
    model_->activate();
    refresh();
    QDialog::showEvent(event);
}

void PreferencesView::hideEvent(QHideEvent* event)
{
    model_->deactivate();
    QDialog::hideEvent(event);
}

}  // namespace pellucor

#include "moc_PreferencesView.cpp"
