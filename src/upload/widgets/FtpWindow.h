// Qt Widgets view of the FTP window: shows the fields of FtpWindowModel and
// hands its buttons, list double-clicks and closing to the model.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace pellucor {

class FtpWindowModel;

class FtpWindow : public QWidget {
    Q_OBJECT

public:
    // model is not owned and must outlive the window.
    explicit FtpWindow(FtpWindowModel& model, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();

    FtpWindowModel& model_;
    bool inCloseEvent_ = false;
    bool closeAgreed_ = false;
    QLineEdit *txtFTPURL_, *txtAccount_, *txtPass_, *txtFTPPath_, *txtLocalDir_;
    QLineEdit* txtStatus_;
    QLabel *txtData_, *lblCmd_, *lblState_, *lblCode_, *lblInfo_;
    QListWidget* lstBox_;
    QPushButton *cmdBrowse_, *cmdCD_, *cmdMkDir_, *cmdMput_, *cmdClose_;
};

}  // namespace pellucor
