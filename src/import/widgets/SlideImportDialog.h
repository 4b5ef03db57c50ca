// The PPTImport dialog: widgets bound to a SlideImportModel.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace pellucor {

class SlideImportModel;

class SlideImportDialog : public QDialog {
    Q_OBJECT
public:
    explicit SlideImportDialog(SlideImportModel* model, QWidget* parent = nullptr);

    // The directory chooser the output directory's button opens: shows
    // title with dir as the starting path; true with the chosen directory
    // in dir on OK. Set by whoever opens the dialog; without one the
    // button offers a plain folder dialog.
    std::function<bool(const std::string& title, std::string& dir)> chooseDirectory;

protected:
    // Closing (Esc, the title bar) while an import runs cancels it instead.
    void reject() override;

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
    QWidget* inputs_;
    QPushButton* cmdImport_;
    QPushButton* cmdCancel_;
    QPushButton* cmdDone_;
    QString shownPreview_;
};

}  // namespace pellucor
