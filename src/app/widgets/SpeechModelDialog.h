// "Install a speech model…": the choice of model with its size, Install,
// the download's progress with Cancel and its outcome, bound to the
// SpeechModelSetup model.
#pragma once

#include <QDialog>

#include "app/SpeechModelSetup.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace pellucor {

class ProgressRow;

class SpeechModelDialog : public QDialog {
    Q_OBJECT
public:
    SpeechModelDialog(std::function<PreferenceSnapshot()> prefs, QWidget* parent = nullptr);
    // Shows the dialog until it is closed; true when a model was installed.
    static bool Run(std::function<PreferenceSnapshot()> prefs, QWidget* parent);

    void reject() override;

private:
    SpeechModelSetup model_;
    QComboBox* choice_;
    QLabel* outcome_;
    QPushButton* install_;
    ProgressRow* progress_;
    bool installed_ = false;
    bool closing_ = false;  // closed while downloading: closes once it has stopped
};

}  // namespace pellucor
