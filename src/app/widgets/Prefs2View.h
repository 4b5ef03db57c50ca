// The "Preferences" window, bound to the Prefs2 model.
#pragma once

#include <QDialog>

#include <map>
#include <string>

class QLineEdit;
class Prefs2;

class Prefs2View : public QDialog {
    Q_OBJECT
public:
    explicit Prefs2View(Prefs2* model, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();

    Prefs2* model_;
    std::map<std::string, QLineEdit*> fields_;
};
