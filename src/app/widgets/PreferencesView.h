// The "Preferences" window, bound to the Preferences model.
#pragma once

#include <QDialog>

#include <map>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace pellucor {

class Preferences;

class PreferencesView : public QDialog {
    Q_OBJECT
public:
    explicit PreferencesView(Preferences* model, QWidget* parent = nullptr);

    // Esc and the title bar's close button: like "Cancel", the unsaved
    // edits are dropped.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();

    Preferences* model_;
    std::map<std::string, QLineEdit*> fields_;
    std::map<std::string, QCheckBox*> checks_;  // the Yes/No preferences
    QPushButton* installModel_;                 // shown while no Whisper model is found
};

}  // namespace pellucor
