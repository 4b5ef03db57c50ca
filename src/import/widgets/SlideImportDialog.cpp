#include "import/widgets/SlideImportDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "import/SlideImportModel.h"

namespace pellucor {

namespace {
// Status colours are stored as BGR values.
QString colourStyle(uint32_t bgr)
{
    const QColor c(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff);
    return QStringLiteral("QLabel { background-color: %1; color: black; padding: 2px; }").arg(c.name());
}

QHBoxLayout* withBrowse(QLineEdit* edit, QPushButton* browse)
{
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(browse);
    return row;
}
}  // namespace

SlideImportDialog::SlideImportDialog(SlideImportModel* model, QWidget* parent)
    : QDialog(parent),
      model_(model),
      txtFile_(new QLineEdit(this)),
      txtDir_(new QLineEdit(this)),
      lstSize_(new QComboBox(this)),
      lblStatus_(new QLabel(this)),
      lblFile_(new QLabel(this)),
      lblTitle_(new QLabel(this)),
      imgPreview_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      inputs_(new QWidget(this)),
      cmdImport_(new QPushButton(tr("Import"), this)),
      cmdCancel_(new QPushButton(tr("Cancel"), this)),
      cmdDone_(new QPushButton(tr("Done"), this))
{
    setWindowTitle(tr("Import PowerPoint Slides"));
    lstSize_->addItems(SlideImportModel::SizeList());
    lstSize_->setCurrentIndex(model_->lstSize);
    txtFile_->setText(model_->txtFile);
    txtDir_->setText(model_->txtDir);
    imgPreview_->setMinimumSize(320, 240);
    imgPreview_->setAlignment(Qt::AlignCenter);
    imgPreview_->setFrameShape(QFrame::StyledPanel);

    auto* browseFile = new QPushButton(tr("..."), this);
    auto* browseDir = new QPushButton(tr("..."), this);
    browseDir->setObjectName("cmdSelDir");
    txtFile_->setObjectName("txtFile");
    txtDir_->setObjectName("txtDir");
    lstSize_->setObjectName("lstSize");
    lblStatus_->setObjectName("lblStatus");
    lblFile_->setObjectName("lblFile");
    lblTitle_->setObjectName("lblTitle");
    imgPreview_->setObjectName("imgPreview");
    progress_->setObjectName("progress");
    progress_->setFormat("%p%");
    cmdImport_->setObjectName("cmdImport");
    cmdCancel_->setObjectName("cmdCancel");
    cmdDone_->setObjectName("cmdDone");

    auto* form = new QFormLayout(inputs_);
    form->setContentsMargins(0, 0, 0, 0);
    form->addRow(tr("Presentation"), withBrowse(txtFile_, browseFile));
    form->addRow(tr("Output directory"), withBrowse(txtDir_, browseDir));
    form->addRow(tr("Size"), lstSize_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdImport_);
    buttons->addWidget(cmdCancel_);
    buttons->addWidget(cmdDone_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(inputs_);
    layout->addWidget(imgPreview_, 1);
    layout->addWidget(lblFile_);
    layout->addWidget(lblTitle_);
    layout->addWidget(progress_);
    layout->addWidget(lblStatus_);
    layout->addLayout(buttons);

    connect(browseFile, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, tr("PowerPoint File"), txtFile_->text(),
                                                          SlideImportModel::FileFilter());
        if (!file.isEmpty())
            txtFile_->setText(file);
    });
    connect(browseDir, &QPushButton::clicked, this, [this] {
        std::string dir = txtDir_->text().toStdString();
        if (chooseDirectory) {
            if (chooseDirectory("Select the slide directory", dir))
                txtDir_->setText(QString::fromStdString(dir));
            return;
        }
        const QString chosen = QFileDialog::getExistingDirectory(this, tr("Output Directory"), txtDir_->text());
        if (!chosen.isEmpty())
            txtDir_->setText(chosen);
    });
    connect(txtFile_, &QLineEdit::textChanged, this, [this](const QString& t) { model_->txtFile = t; });
    connect(txtDir_, &QLineEdit::textChanged, this, [this](const QString& t) { model_->txtDir = t; });
    connect(lstSize_, &QComboBox::currentIndexChanged, this, [this](int i) { model_->lstSize = i; });
    connect(cmdImport_, &QPushButton::clicked, model_, &SlideImportModel::importSlides);
    connect(cmdCancel_, &QPushButton::clicked, model_, &SlideImportModel::cancel);
    connect(cmdDone_, &QPushButton::clicked, model_, &SlideImportModel::done);
    connect(model_, &SlideImportModel::closeRequested, this, &QDialog::accept);
    connect(model_, &SlideImportModel::changed, this, &SlideImportDialog::refresh);
    refresh();
}

void SlideImportDialog::refresh()
{
    lblStatus_->setText(model_->lblStatus);
    lblStatus_->setStyleSheet(colourStyle(model_->lblStatusBackColor));
    lblFile_->setText(model_->lblFile);
    lblTitle_->setText(model_->lblTitle);
    // While LibreOffice converts the presentation the amount of work is not
    // known: the bar just shows that it is busy. Then it counts the slides.
    const bool unknown = model_->busy && model_->progressTotal <= 0;
    progress_->setRange(0, unknown ? 0 : 100);
    progress_->setValue(model_->progressTotal > 0 ? model_->progressDone * 100 / model_->progressTotal : 0);
    inputs_->setEnabled(!model_->busy);
    cmdImport_->setEnabled(!model_->busy);
    cmdDone_->setEnabled(!model_->busy);
    cmdCancel_->setEnabled(model_->busy);
    if (model_->imgPreview != shownPreview_) {
        shownPreview_ = model_->imgPreview;
        const QPixmap picture(shownPreview_);
        imgPreview_->setPixmap(
            picture.isNull() ? QPixmap()
                             : picture.scaled(imgPreview_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
}

void SlideImportDialog::reject()
{
    if (model_->busy)
        model_->cancel();
    else
        QDialog::reject();
}

}  // namespace pellucor

#include "moc_SlideImportDialog.cpp"
