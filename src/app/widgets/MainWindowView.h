// The main window ("Pellucor 2000"), bound to the MainWindow model.
#pragma once

#include "app/widgets/WorkWindow.h"

#include <map>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QGroupBox;
class QKeySequence;
class QLabel;

namespace pellucor {

class MainWindow;
class ElidedLabel;
class ScaledPicture;

class MainWindowView : public WorkWindow {
    Q_OBJECT
public:
    explicit MainWindowView(MainWindow* model, QWidget* parent = nullptr);

    void refresh();

private:
    // The window's parts: the slides (picture, title, export), the steps of
    // a lecture with why publishing is not possible yet, the menus.
    QGroupBox* buildSlides();
    QGroupBox* buildSteps();
    void buildMenus();
    QWidget* button(const char* name, const char* caption, void (MainWindow::*click)());
    void menuItem(QMenu* menu, const char* name, const char* caption, void (MainWindow::*click)(),
                  const QKeySequence& shortcut = {});

    MainWindow* model_;
    ElidedLabel *lblDirectory_, *lblPPTFile_, *lblTitle_;
    QLabel *lblPPTCount_, *lblCount_, *lblPreview_, *lblPublishReason_;
    ScaledPicture* imgPreview_;
    QComboBox* lstSize_;
    QGroupBox *lecture_, *slides_, *steps_;
    QAction* mnuLiberal_ = nullptr;
    // Buttons and menu items by control name, for the enabled states.
    std::multimap<std::string, QWidget*> widgets_;
    std::multimap<std::string, QAction*> actions_;
};

}  // namespace pellucor
