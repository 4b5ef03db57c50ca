// The encoder set-up window ("Real Encode"): binds a EncoderSetup model to
// its device and bit-rate lists, the output field and the buttons.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace pellucor {

class EncoderSetup;

class EncoderSetupView : public QDialog {
    Q_OBJECT
public:
    explicit EncoderSetupView(EncoderSetup& model, QWidget* parent = nullptr);

    QLabel* LblStatus() const { return status_; }
    QPushButton* CmdDone() const { return done_; }
    QPushButton* CmdStart() const { return start_; }
    // The live preview ("the left screen").
    QLabel* Preview() const { return preview_; }
    // The live sound level of the audio device.
    QProgressBar* Level() const { return level_; }

private:
    void refresh();
    QPushButton* button(const QString& caption, void (EncoderSetup::*action)());

    EncoderSetup& model_;
    QListWidget *speed_, *audio_, *video_;
    QCheckBox* chkVideo_;
    QLineEdit* output_;
    QPushButton *select_, *setup_, *format_, *source_, *compression_, *start_, *stop_, *done_, *cancel_;
    QLabel* status_;
    QLabel* preview_;
    QProgressBar* level_;
};

}  // namespace pellucor
