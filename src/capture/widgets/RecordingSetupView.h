// The recording set-up window ("Pellucor DuzoDA!"): binds a RecordingSetup model to
// its file fields, the media-control and display-style choices, the
// starting values and the buttons.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace pellucor {

class RecordingSetup;

class RecordingSetupView : public QDialog {
    Q_OBJECT
public:
    explicit RecordingSetupView(RecordingSetup& model, QWidget* parent = nullptr);

    // Shows the window modally until it is closed (Cancel, or the window's
    // close button). Unlike exec(), hiding it while the encoder set-up and
    // the recorder run does not end it, so its fields carry on to the next
    // part.
    void RunModal();

    QLabel* LblCount() const { return count_; }
    QLineEdit* TxtSlideNum() const { return slideNum_; }
    QLineEdit* TxtStartTime() const { return startTime_; }
    QLineEdit* TxtFile() const { return file_; }
    QLineEdit* TxtMedia() const { return media_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void growToFit();

    RecordingSetup& model_;
    QLineEdit *file_, *media_, *part_, *slideNum_, *startTime_, *delay_;
    QLabel* partLabel_;
    QCheckBox* multi_;
    QRadioButton *noMedia_, *encoder_, *player_, *maxGif_, *gif_, *none_;
    QLabel* count_;
};

}  // namespace pellucor
