#include "upload/widgets/UploadWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "upload/UploadWindowModel.h"

namespace pellucor {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }

void setIfChanged(QLineEdit* edit, const std::string& text)
{
    if (edit->text() != q(text))
        edit->setText(q(text));
}

// Keeps a model field in step with what the user types.
void bindInput(QLineEdit* edit, std::string& field)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [&field](const QString& t) { field = t.toStdString(); });
}
}  // namespace

UploadWindow::UploadWindow(UploadWindowModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    setWindowTitle(tr("FTP Upload"));
    build();
    bind();
    refresh();
}

// The fields, the list and the buttons, named as the window's fields.
void UploadWindow::build()
{
    auto* form = form_ = new QFormLayout;
    txtFTPURL_ = new QLineEdit;
    txtAccount_ = new QLineEdit;
    txtPass_ = new QLineEdit;
    txtPass_->setEchoMode(QLineEdit::Password);
    txtFTPPath_ = new QLineEdit;
    txtLocalDir_ = new QLineEdit;
    txtEndpoint_ = new QLineEdit;
    txtEndpoint_->setPlaceholderText(tr("https://host[:port] (blank: AWS's for the region)"));
    cboProtocol_ = new QComboBox;
    for (const auto& p : UploadWindowModel::Protocols())
        cboProtocol_->addItem(tr(p.caption));
    chkRemember_ = new QCheckBox(tr("Keep the password in the desktop's keyring"));
    form->addRow(tr("Protocol"), cboProtocol_);
    form->addRow(tr("Server"), txtFTPURL_);
    form->addRow(tr("Endpoint"), txtEndpoint_);
    form->addRow(tr("Account"), txtAccount_);
    form->addRow(tr("Password"), txtPass_);
    form->addRow(QString(), chkRemember_);
    form->addRow(tr("Remote directory"), txtFTPPath_);
    form->addRow(tr("Local directory"), txtLocalDir_);

    lstBox_ = new QListWidget;
    txtData_ = new QLabel;
    txtData_->setWordWrap(true);
    txtData_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblCmd_ = new QLabel;
    lblState_ = new QLabel;
    lblCode_ = new QLabel;
    lblInfo_ = new QLabel;
    auto* states = new QHBoxLayout;
    for (QLabel* l : {lblCmd_, lblState_, lblCode_, lblInfo_})
        states->addWidget(l);
    // A long reason (a host key's, say) wraps inside the window, never
    // widening it past the screen.
    lblInfo_->setWordWrap(true);
    lblInfo_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    states->setStretchFactor(lblInfo_, 1);

    cmdBrowse_ = new QPushButton(tr("Refresh"));
    cmdCD_ = new QPushButton(tr("Change Dir"));
    cmdMkDir_ = new QPushButton(tr("Make Dir"));
    cmdMput_ = new QPushButton(tr("Upload"));
    cmdClose_ = new QPushButton(tr("Close"));
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {cmdBrowse_, cmdCD_, cmdMkDir_, cmdMput_, cmdClose_})
        buttons->addWidget(b);

    txtStatus_ = new QLineEdit;
    txtStatus_->setReadOnly(true);
    progress_ = new QProgressBar;
    progress_->setRange(0, 100);

    // Object names follow the window's field names.
    txtFTPURL_->setObjectName("txtFTPURL");
    txtAccount_->setObjectName("txtAccount");
    txtPass_->setObjectName("txtPass");
    txtFTPPath_->setObjectName("txtFTPPath");
    txtLocalDir_->setObjectName("txtLocalDir");
    txtEndpoint_->setObjectName("txtEndpoint");
    txtStatus_->setObjectName("txtStatus");
    cboProtocol_->setObjectName("cboProtocol");
    chkRemember_->setObjectName("chkRemember");
    progress_->setObjectName("progress");
    lstBox_->setObjectName("lstBox");
    cmdBrowse_->setObjectName("cmdBrowse");
    cmdCD_->setObjectName("cmdCD");
    cmdMkDir_->setObjectName("cmdMkDir");
    cmdMput_->setObjectName("cmdMput");
    cmdClose_->setObjectName("cmdClose");

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(lstBox_, 1);
    layout->addLayout(states);
    layout->addLayout(buttons);
    layout->addWidget(progress_);
    layout->addWidget(txtStatus_);
}

// Each field and button to the model, and the model's questions to dialogs.
void UploadWindow::bind()
{
    bindInput(txtFTPURL_, model_.txtFTPURL);
    connect(txtFTPURL_, &QLineEdit::textEdited, this, &UploadWindow::refresh);  // S3 asks for other fields
    bindInput(txtAccount_, model_.txtAccount);
    bindInput(txtPass_, model_.txtPass);
    bindInput(txtFTPPath_, model_.txtFTPPath);
    bindInput(txtLocalDir_, model_.txtLocalDir);
    bindInput(txtEndpoint_, model_.txtEndpoint);
    connect(cboProtocol_, qOverload<int>(&QComboBox::activated), this, [this](int i) { model_.protocolChosen(i); });
    connect(chkRemember_, &QCheckBox::toggled, this, [this](bool on) { model_.chkRemember = on; });
    connect(cmdBrowse_, &QPushButton::clicked, this, [this] { model_.browse(); });
    connect(cmdCD_, &QPushButton::clicked, this, [this] { model_.changeDirectory(); });
    connect(cmdMkDir_, &QPushButton::clicked, this, [this] { model_.makeDirectory(); });
    connect(cmdMput_, &QPushButton::clicked, this, [this] { model_.uploadFolder(); });
    connect(cmdClose_, &QPushButton::clicked, this, [this] { model_.closeWindow(); });
    connect(lstBox_, &QListWidget::currentRowChanged, this, [this](int row) { model_.lstBoxIndex = row; });
    connect(lstBox_, &QListWidget::itemDoubleClicked, this, [this] {
        model_.lstBoxIndex = lstBox_->currentRow();
        model_.openSelected();
    });
    connect(&model_, &UploadWindowModel::changed, this, &UploadWindow::refresh);
    connect(&model_, &UploadWindowModel::closeRequested, this, [this] {
        if (inCloseEvent_) {
            closeAgreed_ = true;  // closeEvent accepts the close itself
            return;
        }
        inCloseEvent_ = true;
        closeAgreed_ = true;
        close();
        inCloseEvent_ = false;
    });
    model_.InputBox = [this](const std::string& title, const std::string& prompt) {
        return QInputDialog::getText(this, q(title), q(prompt)).toStdString();
    };
    model_.ConfirmHostKey = [this](const std::string& question) {
        QMessageBox box(QMessageBox::Warning, tr("Unknown host key"), q(question), QMessageBox::NoButton, this);
        QAbstractButton* accept = box.addButton(tr("Accept"), QMessageBox::AcceptRole);
        box.setDefaultButton(box.addButton(tr("Refuse"), QMessageBox::RejectRole));
        box.exec();
        return box.clickedButton() == accept;
    };
}

void UploadWindow::refresh()
{
    setIfChanged(txtFTPURL_, model_.txtFTPURL);
    setIfChanged(txtAccount_, model_.txtAccount);
    setIfChanged(txtPass_, model_.txtPass);
    setIfChanged(txtFTPPath_, model_.txtFTPPath);
    setIfChanged(txtLocalDir_, model_.txtLocalDir);
    setIfChanged(txtEndpoint_, model_.txtEndpoint);
    setIfChanged(txtStatus_, model_.txtStatus);
    txtData_->setText(q(model_.txtData).left(2000));
    lblCmd_->setText(q(model_.lblCmd));
    lblState_->setText(q(model_.lblState));
    lblCode_->setText(q(model_.lblCode));
    lblInfo_->setText(q(model_.lblInfo));
    QStringList items;
    for (const auto& item : model_.lstBox)
        items << q(item);
    bool same = lstBox_->count() == items.size();
    for (int i = 0; same && i < items.size(); ++i)
        same = lstBox_->item(i)->text() == items[i];
    if (!same) {
        lstBox_->clear();
        lstBox_->addItems(items);
    }
    if (cboProtocol_->currentIndex() != model_.ProtocolIndex())
        cboProtocol_->setCurrentIndex(model_.ProtocolIndex());
    chkRemember_->setChecked(model_.chkRemember);
    chkRemember_->setEnabled(model_.chkRememberEnabled && model_.txtPassEnabled);
    chkRemember_->setToolTip(model_.chkRememberEnabled ? QString()
                                                       : tr("No keyring (secret service) on this desktop: the "
                                                            "password is asked each time"));
    progress_->setVisible(model_.progressPercent >= 0);
    progress_->setValue(std::max(0, model_.progressPercent));
    txtStatus_->setToolTip(q(model_.txtStatus));
    txtAccount_->setEnabled(model_.txtAccountEnabled && !model_.IsS3());
    form_->setRowVisible(txtEndpoint_, model_.IsS3());
    txtEndpoint_->setEnabled(model_.txtEndpointEnabled);
    txtPass_->setEnabled(model_.txtPassEnabled && !model_.IsS3());
    cmdCD_->setEnabled(model_.cmdCDEnabled);
    cmdMkDir_->setEnabled(model_.cmdMkDirEnabled);
    cmdMput_->setEnabled(model_.cmdMputEnabled);
}

void UploadWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    model_.activate();
}

void UploadWindow::closeEvent(QCloseEvent* event)
{
    if (inCloseEvent_) {  // the close the model asked for
        event->setAccepted(closeAgreed_);
        return;
    }
    // The model decides: it may ask to cancel a running command, and agrees
    // through closeRequested.
    inCloseEvent_ = true;
    closeAgreed_ = false;
    model_.closeWindow();
    inCloseEvent_ = false;
    event->setAccepted(closeAgreed_);
}

}  // namespace pellucor

#include "moc_UploadWindow.cpp"
