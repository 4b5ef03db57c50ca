// The PPTImport dialog: widgets bound to a PptImportModel.
#pragma once

#include <QDialog>

class PptImportModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;

class PptImportDialog : public QDialog {
    Q_OBJECT
public:
    explicit PptImportDialog(PptImportModel* model, QWidget* parent = nullptr);

private:
    void refresh();  // model -> widgets

    PptImportModel* model_;
    QLineEdit* txtFile_;
    QLineEdit* txtDir_;
    QComboBox* lstSize_;
    QLabel* lblStatus_;
    QLabel* lblFile_;
    QLabel* lblTitle_;
    QLabel* imgPreview_;
    QProgressBar* progress_;
    QString shownPreview_;
};
