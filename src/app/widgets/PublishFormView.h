// The detailed publish form's window ("Pellucor 2000 - Power User Version
// :)"), bound to the PublishForm model.
#pragma once

#include "app/widgets/WorkWindow.h"

#include <functional>
#include <map>
#include <string>

class QAction;
class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace pellucor {

class PublishForm;

class PublishFormView : public WorkWindow {
    Q_OBJECT
public:
    explicit PublishFormView(PublishForm* model, QWidget* parent = nullptr);

    void refresh();

private:
    // The window's parts, top to bottom: the fields, the options, the
    // publish buttons in their disk and web groups; the menus.
    QGridLayout* buildFields();
    QGridLayout* buildChecks();
    QHBoxLayout* buildPublishButtons();
    void addPackageButton(QHBoxLayout* disk);
    QCheckBox* addCheck(const char* name, const char* caption);
    void addButton(QHBoxLayout* row, const char* name, const char* caption, const char* tip,
                   std::function<void()> handler);
    void buildMenus();

    PublishForm* model_;
    QLabel* lblDirectory_;
    QWidget* inputs_;
    QMenu* fileMenu_;
    std::map<std::string, QLineEdit*> texts_;
    std::map<std::string, QCheckBox*> checks_;
    std::map<std::string, QWidget*> controls_;  // for the enabled states
    QAction* recent_[5] = {};
};

}  // namespace pellucor
