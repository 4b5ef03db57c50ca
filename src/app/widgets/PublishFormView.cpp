#include "app/widgets/PublishFormView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/PublishForm.h"
#include "app/widgets/Colours.h"
#include "app/widgets/Shortcuts.h"

namespace pellucor {

namespace {
struct TextRow {
    const char* name;
    const char* label;
    const char* browse;  // browse button name, or nullptr
};
const TextRow kTextRows[] = {
    {"TextPP", "PowerPoint Output:", "BrowsePP"},     {"TextMedia", "Media Directory:", "BrowseMedia"},
    {"TextStyle", "Style Directory:", "BrowseStyle"}, {"TextCopy", "Copy Materials", "BrowseCopy"},
    {"TextCDDir", "Disk Output Dir:", "BrowseDest"},  {"TextWebDir", "Web Output Dir:", "BrowseWeb"},
    {"TextWebURL", "Ultimate Web URL:", nullptr},     {"TextStream", "Streaming URL:", nullptr},
    {"TextName", "Lecture name (debug):", nullptr},   {"TextCP", "Course:", nullptr},
};
const std::pair<const char*, const char*> kChecks[] = {
    {"optCD", "Hard Disk/CD"},  {"optWeb", "Web Server"},
    {"chkStream", "Streaming"}, {"chkAutoStart", "Autostart process.bat"},
    {"chkVerbose", "Verbose"},  {"chkAuto", "AutoSet Fields Below"},
};
}  // namespace

PublishFormView::PublishFormView(PublishForm* model, QWidget* parent)
    : WorkWindow([model] { model->cancel(); }, [model] { return model->ConfirmClose(); }, "Label3", parent),
      model_(model)
{
    auto* central = new QWidget;
    auto* outer = new QVBoxLayout(central);
    // Everything a publish under way must not be changed through.
    inputs_ = new QWidget;
    auto* layout = new QVBoxLayout(inputs_);
    layout->setContentsMargins(0, 0, 0, 0);
    // The fields scroll on a short screen; the progress and status stay.
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(inputs_);
    outer->addWidget(scroll, 1);
    layout->addLayout(buildFields());
    layout->addLayout(buildChecks());
    layout->addLayout(buildPublishButtons());

    outer->addWidget(Progress());
    auto* status = new QHBoxLayout;
    status->addWidget(new QLabel(tr("Status:")));
    status->addWidget(StatusLine(), 1);
    outer->addLayout(status);
    setCentralWidget(central);

    buildMenus();
    connect(model_, &PublishForm::fieldsChanged, this, &PublishFormView::refresh);
    FollowWork(model_);
    connect(model_, &PublishForm::publishingChanged, this, &PublishFormView::refresh);
    refresh();
}

QGridLayout* PublishFormView::buildFields()
{
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Lecture Directory")), 0, 0);
    lblDirectory_ = new QLabel;
    grid->addWidget(lblDirectory_, 0, 1, 1, 2);
    int row = 1;
    for (const TextRow& r : kTextRows) {
        grid->addWidget(new QLabel(tr(r.label)), row, 0);
        auto* edit = new QLineEdit;
        edit->setObjectName(r.name);
        edit->setMinimumWidth(fontMetrics().averageCharWidth() * 24);
        texts_[r.name] = edit;
        controls_[r.name] = edit;
        grid->addWidget(edit, row, 1);
        const std::string name = r.name;
        connect(edit, &QLineEdit::textEdited, this,
                [this, name](const QString& t) { model_->SetControl(name, t.toStdString()); });
        if (r.browse) {
            auto* b = new QPushButton(tr("Browse..."));
            b->setObjectName(r.browse);
            grid->addWidget(b, row, 2);
            connect(b, &QPushButton::clicked, this, [this, name] { model_->browse(name); });
        }
        ++row;
    }
    texts_["TextPP"]->setToolTip(tr("The Lecture Directory and PowerPoint Output Directory are the same directory."));
    return grid;
}

QCheckBox* PublishFormView::addCheck(const char* name, const char* caption)
{
    auto* c = new QCheckBox(tr(caption));
    c->setObjectName(name);
    checks_[name] = c;
    controls_[name] = c;
    const std::string n = name;
    connect(c, &QCheckBox::clicked, this, [this, n](bool on) { model_->SetControl(n, on ? "1" : "0"); });
    return c;
}

QGridLayout* PublishFormView::buildChecks()
{
    auto* checkRow = new QGridLayout;
    int check = 0;
    for (const auto& [name, caption] : kChecks) {
        checkRow->addWidget(addCheck(name, caption), check / 3, check % 3);
        ++check;
    }
    return checkRow;
}

void PublishFormView::addButton(QHBoxLayout* row, const char* name, const char* caption, const char* tip,
                                std::function<void()> handler)
{
    auto* b = new QPushButton(tr(caption));
    b->setObjectName(name);
    b->setToolTip(tr(tip));
    controls_[name] = b;
    row->addWidget(b);
    connect(b, &QPushButton::clicked, this, std::move(handler));
}

QHBoxLayout* PublishFormView::buildPublishButtons()
{
    // The two "Publish" buttons share a caption: their groups tell disk
    // from web.
    auto* buttons = new QHBoxLayout;
    auto group = [&](const char* name, const char* title) {
        auto* box = new QGroupBox(tr(title));
        box->setObjectName(name);
        buttons->addWidget(box);
        return new QHBoxLayout(box);
    };
    QHBoxLayout* disk = group("grpDisk", "Disk");
    addButton(disk, "cmdPubDisk", "Publish ",
              "Publish for a hard disk or CD into the Disk Output Dir (and for the web as well when "
              "\"Web Server\" is checked)",
              [this] { model_->publishDisk(); });
    static_cast<QPushButton*>(controls_["cmdPubDisk"])->setShortcut(kPublishKey);
    disk->addWidget(addCheck("chkVideo", "One video"));
    controls_["chkVideo"]->setToolTip(tr("Write the lecture as one video (lecture.mp4) into the disk copy"));
    addButton(disk, "cmdTestCD", "Test Disk", "Open the disk copy's index.htm in the browser",
              [this] { model_->testDisk(); });
    addPackageButton(disk);
    QHBoxLayout* web = group("grpWeb", "Web");
    addButton(web, "cmdPubWeb", "Publish",
              "Publish for the web server into the Web Output Dir, for upload to the Ultimate Web URL (and for "
              "the disk as well when \"Hard Disk/CD\" is checked)",
              [this] { model_->publishWeb(); });
    web->addWidget(addCheck("chkWebVideo", "One video"));
    controls_["chkWebVideo"]->setToolTip(tr("Write the lecture as one video (lecture.mp4) into the web copy"));
    addButton(web, "cmdTestWeb", "Test Web", "Open index.htm at the Ultimate Web URL in the browser",
              [this] { model_->testWeb(); });
    addButton(web, "cmdFtp", "Auto-Upload", "Upload the Web Output Dir by FTP", [this] { model_->upload(); });
    return buttons;
}

void PublishFormView::addPackageButton(QHBoxLayout* disk)
{
    // The disk copy zipped for a learning platform, the kind chosen beside.
    auto* kind = new QComboBox;
    kind->setObjectName("cboPackage");
    kind->setToolTip(tr("What the disk copy is packaged as for a learning platform"));
    kind->addItem(tr("SCORM 1.2"), static_cast<int>(PackageKind::Scorm12));
    kind->addItem(tr("SCORM 2004"), static_cast<int>(PackageKind::Scorm2004));
    kind->addItem(tr("Common Cartridge"), static_cast<int>(PackageKind::CommonCartridge));
    controls_["cboPackage"] = kind;
    disk->addWidget(kind);
    addButton(disk, "cmdPackage", "Package...",
              "Zip the published disk copy for a learning platform (Moodle and the like) as the kind chosen",
              [this, kind] {
                  const auto k = static_cast<PackageKind>(kind->currentData().toInt());
                  const QString out = QFileDialog::getSaveFileName(
                      this, tr("Package"), QString::fromStdString(model_->DefaultPackagePath(k)),
                      k == PackageKind::CommonCartridge ? tr("Common Cartridge (*.imscc)") : tr("Package (*.zip)"));
                  if (!out.isEmpty())
                      model_->makePackage(k, out.toStdString());
              });
}

void PublishFormView::buildMenus()
{
    fileMenu_ = menuBar()->addMenu(tr("&File"));
    fileMenu_->addAction(tr("Open"), model_, &PublishForm::openLecture)->setShortcut(QKeySequence::Open);
    fileMenu_->addAction(tr("New"), model_, &PublishForm::newLecture)->setShortcut(QKeySequence::New);
    fileMenu_->addAction(tr("Load Settings..."), this, [this] {
        const QString f = QFileDialog::getOpenFileName(this, tr("Load Settings"), QString(),
                                                       tr("Settings Files (*.som);;All Files (*)"));
        if (!f.isEmpty())
            model_->LoadSettingsFile(f.toStdString());
    });
    fileMenu_->addSeparator();
    for (int i = 0; i < 5; ++i)
        recent_[i] = fileMenu_->addAction(QString(), this, [this, i] { model_->openRecent(i + 1); });
    fileMenu_->addSeparator();
    fileMenu_->addAction(tr("Exit"), model_, &PublishForm::quit)->setShortcut(QKeySequence::Quit);

    QMenu* options = menuBar()->addMenu(tr("&Options"));
    options->addAction(tr("Less Detail"), model_, &PublishForm::lessDetail);
    options->addAction(tr("Liberal Slide Names"), model_, &PublishForm::toggleLiberalNames);
    options->addAction(tr("Preferences"), model_, &PublishForm::openPreferences)->setShortcut(PreferencesKey());
    options->addAction(tr("Server Mode"), model_, &PublishForm::openServer);

    QMenu* execute = menuBar()->addMenu(tr("&Execute"));
    execute->addAction(tr("Import PowerPoint"), model_, &PublishForm::importSlides);
    execute->addAction(tr("Import ClipBoard"), model_, &PublishForm::importClipboard);
    execute->addAction(tr("Record Lecture"), model_, &PublishForm::recordLecture);
    execute->addAction(tr("DuzoDA!"), model_, &PublishForm::openRecordingSetup);
    execute->addAction(tr("RuziZE!"), model_, &PublishForm::openTimingEditor);
    execute->addAction(tr("Sync Slides from Recording"), model_, &PublishForm::syncSlides);
    execute->addAction(tr("Export as One Video…"), model_, &PublishForm::exportVideo);
    execute->addAction(tr("Make Captions"), model_, &PublishForm::makeCaptions);
    execute->addAction(tr("Edit Captions…"), model_, &PublishForm::editCaptions);
    execute->addAction(tr("Make Lecture"), model_, &PublishForm::newFromRecording);

    QMenu* test = menuBar()->addMenu(tr("&Test"));
    test->addAction(tr("PPTImport"), model_, &PublishForm::importSlides);
    test->addAction(tr("RealRecord"), model_, &PublishForm::openRecordingSetup);
    test->addAction(tr("Real Encode"), model_, &PublishForm::openEncoder);
    test->addAction(tr("Real Convert"), model_, &PublishForm::openConverter);
    test->addAction(tr("RealPlay"), model_, &PublishForm::openPlayer);
    test->addAction(tr("About"), model_, &PublishForm::about);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("About"), model_, &PublishForm::about);
    help->addAction(tr("Online Help"), model_, &PublishForm::onlineHelp)->setShortcut(QKeySequence::HelpContents);
}

void PublishFormView::refresh()
{
    setWindowTitle(QString::fromStdString(model_->Caption));
    lblDirectory_->setText(QString::fromStdString(model_->lblDirectory));
    for (auto& [name, edit] : texts_) {
        const QString v = QString::fromStdString(model_->Control(name));
        if (edit->text() != v)
            edit->setText(v);
        edit->setStyleSheet(BackgroundStyle(model_->FieldColour(name)));
    }
    for (auto& [name, box] : checks_)
        box->setChecked(model_->Control(name) == "1");
    for (const auto& [name, on] : model_->Enabled)
        if (auto it = controls_.find(name); it != controls_.end())
            it->second->setEnabled(on);
    for (int i = 0; i < 5; ++i) {
        const bool used = static_cast<size_t>(i) < model_->mnuFile.size();
        recent_[i]->setVisible(used);
        if (used)
            recent_[i]->setText(QString("&%1 %2").arg(i + 1).arg(QString::fromStdString(model_->mnuFile[i])));
    }
    ShowBusy(model_->Busy(), model_->progressPercent, {inputs_});
    ShowStatus(QString::fromStdString(model_->statusLine), model_->statusColour);
}

}  // namespace pellucor

#include "moc_PublishFormView.cpp"
