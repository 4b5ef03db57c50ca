#include "app/widgets/MainWindowView.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/MainWindow.h"
#include "app/widgets/FittingLabels.h"
#include "app/widgets/Shortcuts.h"

namespace pellucor {

QWidget* MainWindowView::button(const char* name, const char* caption, void (MainWindow::*click)())
{
    auto* b = new QPushButton(tr(caption));
    b->setObjectName(name);
    widgets_.emplace(name, b);
    connect(b, &QPushButton::clicked, model_, click);
    return b;
}

void MainWindowView::menuItem(QMenu* menu, const char* name, const char* caption, void (MainWindow::*click)(),
                              const QKeySequence& shortcut)
{
    QAction* a = menu->addAction(tr(caption), model_, click);
    a->setObjectName(name);
    a->setShortcut(shortcut);
    actions_.emplace(name, a);
}

MainWindowView::MainWindowView(MainWindow* model, QWidget* parent)
    : WorkWindow([model] { model->cancel(); }, [model] { return model->ConfirmClose(); }, "lblStatus", parent),
      model_(model)
{
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);

    auto* lecture = lecture_ = new QGroupBox(tr("Lecture Directory"));
    auto* lecRow = new QHBoxLayout(lecture);
    lblDirectory_ = new ElidedLabel;
    lblDirectory_->setObjectName("lblDirectory");
    lecRow->addWidget(lblDirectory_, 1);
    lecRow->addWidget(button("cmdNewLecture", "New", &MainWindow::newLecture));
    lecRow->addWidget(button("cmdOpenLecture", "Open", &MainWindow::openLecture));
    layout->addWidget(lecture);

    // The slides beside the steps, so the window fits a short screen; the
    // preview takes whatever room is left.
    auto* columns = new QHBoxLayout;
    columns->addWidget(buildSlides(), 3);
    columns->addWidget(buildSteps(), 2);
    layout->addLayout(columns, 1);

    // While a publish runs: its progress and a way to stop it.
    layout->addWidget(Progress());
    layout->addWidget(StatusLine());
    setCentralWidget(central);

    buildMenus();

    connect(model_, &MainWindow::fieldsChanged, this, &MainWindowView::refresh);
    FollowWork(model_);
    refresh();
}

QGroupBox* MainWindowView::buildSlides()
{
    auto* slides = slides_ = new QGroupBox(tr("Slides"));
    auto* grid = new QGridLayout(slides);
    lblPPTFile_ = new ElidedLabel;
    lblPPTCount_ = new QLabel;
    grid->addWidget(button("cmdSelectPPT", "Select PowerPoint", &MainWindow::selectPresentation), 0, 0);
    grid->addWidget(lblPPTFile_, 0, 1, 1, 2);
    grid->addWidget(lblPPTCount_, 0, 3);
    lstSize_ = new QComboBox;
    lstSize_->setObjectName("lstSize");
    widgets_.emplace("lstSize", lstSize_);
    grid->addWidget(lstSize_, 1, 0);
    grid->addWidget(button("cmdExport", "Convert PPT to GIFs", &MainWindow::exportSlides), 1, 1, 1, 3);
    connect(lstSize_, &QComboBox::currentIndexChanged, this, [this](int i) { model_->lstSizeIndex = i; });

    imgPreview_ = new ScaledPicture(QSize(160, 120));
    imgPreview_->setObjectName("imgPreview");
    imgPreview_->setStyleSheet("background: #202020;");
    grid->addWidget(imgPreview_, 2, 0, 1, 4);
    grid->setRowStretch(2, 1);
    lblPreview_ = new QLabel;
    lblTitle_ = new ElidedLabel;
    lblCount_ = new QLabel;
    lblCount_->setAlignment(Qt::AlignCenter);
    grid->addWidget(lblPreview_, 3, 0);
    grid->addWidget(lblTitle_, 3, 1, 1, 3);
    grid->addWidget(button("cmdMinus", "<", &MainWindow::decrease), 4, 0);
    grid->addWidget(lblCount_, 4, 1, 1, 2);
    grid->addWidget(button("cmdPlus", ">", &MainWindow::increase), 4, 3);
    return slides;
}

QGroupBox* MainWindowView::buildSteps()
{
    auto* steps = steps_ = new QGroupBox(tr("Lecture"));
    auto* stepGrid = new QGridLayout(steps);
    stepGrid->addWidget(button("cmdRecord", "Record Lecture", &MainWindow::record), 0, 0, 1, 2);
    stepGrid->addWidget(button("cmdUploadRep", "Upload Unpublished Lecture", &MainWindow::uploadUnpublished), 1, 0, 1,
                        2);
    stepGrid->addWidget(button("cmdPub", "Publish To Disk", &MainWindow::publishDisk), 2, 0);
    stepGrid->addWidget(button("cmdTestDisk", "Test", &MainWindow::testDisk), 2, 1);
    stepGrid->addWidget(button("cmdPubWeb", "Publish for Web", &MainWindow::publishWeb), 3, 0);
    stepGrid->addWidget(button("cmdTestWeb", "Test", &MainWindow::testWeb), 3, 1);
    stepGrid->addWidget(button("cmdUploadWeb", "Upload to the Web", &MainWindow::uploadWeb), 4, 0, 1, 2);
    // Why publishing is not possible yet.
    lblPublishReason_ = new QLabel;
    lblPublishReason_->setObjectName("lblPublishReason");
    lblPublishReason_->setWordWrap(true);
    lblPublishReason_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblPublishReason_->setMinimumWidth(1);
    lblPublishReason_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblPublishReason_->setStyleSheet("color: #8a1c00;");
    stepGrid->addWidget(lblPublishReason_, 5, 0, 1, 2);
    stepGrid->setRowStretch(6, 1);
    return steps;
}

void MainWindowView::buildMenus()
{
    QMenu* file = menuBar()->addMenu(tr("&File"));
    menuItem(file, "mnuOpenLecture", "Open Lecture", &MainWindow::openLecture, QKeySequence::Open);
    menuItem(file, "mnuNewLecture", "New Lecture", &MainWindow::newLecture, QKeySequence::New);
    menuItem(file, "mnuNewFromRecording", "New Lecture from Recording…", &MainWindow::newFromRecording);
    menuItem(file, "mnuExit", "Exit", &MainWindow::quit, QKeySequence::Quit);
    QMenu* options = menuBar()->addMenu(tr("&Options"));
    menuItem(options, "mnuMore", "More Detail", &MainWindow::moreOptions);
    mnuLiberal_ = options->addAction(tr("Liberal Slide Names"), model_, &MainWindow::toggleLiberalNames);
    mnuLiberal_->setCheckable(true);
    menuItem(options, "mnuPreferences", "Preferences", &MainWindow::openPreferences, PreferencesKey());
    QMenu* execute = menuBar()->addMenu(tr("&Execute"));
    menuItem(execute, "mnuSelectPPT", "Select PowerPoint", &MainWindow::selectPresentation);
    menuItem(execute, "mnuExport", "Convert PPT to GIFs", &MainWindow::exportSlides);
    menuItem(execute, "mnuRecord", "Record Lecture", &MainWindow::record);
    menuItem(execute, "mnuAdjustTimes", "Adjust Times", &MainWindow::openTimingEditor);
    menuItem(execute, "mnuSyncSlides", "Sync Slides from Recording", &MainWindow::syncSlides);
    menuItem(execute, "mnuExportVideo", "Export as One Video…", &MainWindow::exportVideo);
    menuItem(execute, "mnuMakeCaptions", "Make Captions", &MainWindow::makeCaptions);
    menuItem(execute, "mnuEditCaptions", "Edit Captions…", &MainWindow::editCaptions);
    menuItem(execute, "mnuUploadRep", "Upload to Repository", &MainWindow::uploadUnpublished);
    menuItem(execute, "mnuPubDisk", "Publish to Disk", &MainWindow::publishDisk, kPublishKey);
    menuItem(execute, "mnuTestDisk", "Test On Disk", &MainWindow::testDisk);
    menuItem(execute, "mnuPubWeb", "Publish to Web", &MainWindow::publishWeb);
    menuItem(execute, "mnuUploadWeb", "Upload to Web", &MainWindow::uploadWeb);
    menuItem(execute, "mnuTestWeb", "Test on Web", &MainWindow::testWeb);
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    menuItem(help, "mnuAbout", "About", &MainWindow::about);
    menuItem(help, "mnuOnlineHelp", "Online Help", &MainWindow::onlineHelp, QKeySequence::HelpContents);
    // A grey item says why it is grey.
    execute->setToolTipsVisible(true);
}

void MainWindowView::refresh()
{
    setWindowTitle(QString::fromStdString(model_->Caption));
    lblDirectory_->SetFullText(QString::fromStdString(model_->lblDirectory));
    lblPPTFile_->SetFullText(QString::fromStdString(model_->lblPPTFile));
    lblPPTCount_->setText(QString::fromStdString(model_->lblPPTCount));
    lblCount_->setText(QString::fromStdString(model_->lblCount));
    lblPreview_->setText(QString::fromStdString(model_->lblPreview));
    lblTitle_->SetFullText(QString::fromStdString(model_->lblTitle));
    lblPublishReason_->setText(QString::fromStdString(model_->lblPublishReason));
    lblPublishReason_->setVisible(!model_->lblPublishReason.empty());
    const QSignalBlocker quiet(lstSize_);  // filling the list is not a choice
    if (lstSize_->count() != static_cast<int>(model_->lstSize.size())) {
        lstSize_->clear();
        for (const std::string& s : model_->lstSize)
            lstSize_->addItem(QString::fromStdString(s));
    }
    lstSize_->setCurrentIndex(model_->lstSizeIndex);
    imgPreview_->SetPicture(model_->imgPreview.empty() ? QPixmap()
                                                       : QPixmap(QString::fromStdString(model_->imgPreview)));
    mnuLiberal_->setChecked(model_->mnuLiberal);
    for (const auto& [name, on] : model_->Enabled) {
        const QString why = QString::fromStdString(model_->WhyDisabled(name));
        auto [w0, w1] = widgets_.equal_range(name);
        for (auto it = w0; it != w1; ++it) {
            it->second->setEnabled(on);
            it->second->setToolTip(why);
        }
        auto [a0, a1] = actions_.equal_range(name);
        for (auto it = a0; it != a1; ++it) {
            it->second->setEnabled(on);
            it->second->setToolTip(why.isEmpty() ? it->second->text() : why);
        }
    }
    // A publish or slide import under way locks everything but its Cancel.
    ShowBusy(model_->busy, model_->progressPercent, {lecture_, slides_, steps_});
    ShowStatus(QString::fromStdString(model_->lblStatus), model_->lblStatusColour);
}

}  // namespace pellucor

#include "moc_MainWindowView.cpp"
