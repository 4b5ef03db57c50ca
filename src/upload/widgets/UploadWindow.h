// Qt Widgets view of the upload window: shows the fields of UploadWindowModel
// (the protocol choice, the password kept or not, the progress of an
// upload) and hands its buttons, list double-clicks and closing to the
// model.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QFormLayout;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace pellucor {

class UploadWindowModel;

class UploadWindow : public QWidget {
    Q_OBJECT

public:
    // model is not owned and must outlive the window.
    explicit UploadWindow(UploadWindowModel& model, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void bind();
    void refresh();

    UploadWindowModel& model_;
    bool inCloseEvent_ = false;
    bool closeAgreed_ = false;
    QLineEdit *txtFTPURL_, *txtAccount_, *txtPass_, *txtFTPPath_, *txtLocalDir_, *txtEndpoint_;
    QFormLayout* form_;
    QComboBox* cboProtocol_;
    QCheckBox* chkRemember_;
    QProgressBar* progress_;
    QLineEdit* txtStatus_;
    QLabel *txtData_, *lblCmd_, *lblState_, *lblCode_, *lblInfo_;
    QListWidget* lstBox_;
    QPushButton *cmdBrowse_, *cmdCD_, *cmdMkDir_, *cmdMput_, *cmdClose_;
};

}  // namespace pellucor
