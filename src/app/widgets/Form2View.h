// The main window ("Pellucor 2000"), bound to the Form2 model.
#pragma once

#include <QMainWindow>

#include <map>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class Form2;

class Form2View : public QMainWindow {
    Q_OBJECT
public:
    explicit Form2View(Form2* model, QWidget* parent = nullptr);

    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* button(const char* name, const char* caption, void (Form2::*click)());
    void menuItem(QMenu* menu, const char* name, const char* caption, void (Form2::*click)());
    void showStatus(const QString& text, uint colour);

    Form2* model_;
    QLabel *lblDirectory_, *lblPPTFile_, *lblPPTCount_, *lblCount_, *lblPreview_, *imgPreview_, *lblTitle_,
        *lblStatus_;
    QComboBox* lstSize_;
    QAction* mnuLiberal_ = nullptr;
    // Buttons and menu items by control name, for the enabled states.
    std::multimap<std::string, QWidget*> widgets_;
    std::multimap<std::string, QAction*> actions_;
};
