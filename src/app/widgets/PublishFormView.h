// The detailed publish form's window ("Pellucor 2000 - Power User Version
// :)"), bound to the PublishForm model.
#pragma once

#include "app/widgets/WorkWindow.h"

#include <map>
#include <string>

class QAction;
class QCheckBox;
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
