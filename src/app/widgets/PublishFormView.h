// The detailed publish form's window ("Pellucor 2000 - Power User Version
// :)"), bound to the PublishForm model.
#pragma once

#include <QMainWindow>

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

class PublishFormView : public QMainWindow {
    Q_OBJECT
public:
    explicit PublishFormView(PublishForm* model, QWidget* parent = nullptr);

    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void showStatus(const QString& text, uint colour);

    PublishForm* model_;
    QLabel* lblDirectory_;
    QLabel* statusLine_;
    QMenu* fileMenu_;
    std::map<std::string, QLineEdit*> texts_;
    std::map<std::string, QCheckBox*> checks_;
    std::map<std::string, QWidget*> controls_;  // for the enabled states
    QAction* recent_[5] = {};
};

}  // namespace pellucor
