// The PPTImport dialog: widgets bound to a SlideImportModel.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;

namespace pellucor {

class SlideImportModel;

class SlideImportDialog : public QDialog {
    Q_OBJECT
public:
    explicit SlideImportDialog(SlideImportModel* model, QWidget* parent = nullptr);

private:
    void refresh();  // model -> widgets

    SlideImportModel* model_;
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

}  // namespace pellucor
