// The directory chooser's dialog, bound to the DirectoryChooser model.
#pragma once

#include <QDialog>

#include <string>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace pellucor {

class DirectoryChooser;
struct FrontEndHooks;

class DirectoryChooserDialog : public QDialog {
    Q_OBJECT
public:
    DirectoryChooserDialog(DirectoryChooser* model, QWidget* parent = nullptr);

    // Loads the chooser afresh, shows it modally and, on OK, puts the chosen
    // directory into dir.
    static bool Choose(QWidget* parent, const FrontEndHooks* hooks, const std::string& title, std::string& dir,
                       bool allowCreate);

    // Whether the tree shows the current directory's row in full.
    bool CurrentDirVisible() const;
    QString CurrentTreeDir() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void revealCurrent();

    DirectoryChooser* model_;
    QComboBox* rootBox_;
    QTreeView* dirTree_;
    QFileSystemModel* fs_;
    QLineEdit* DirName_;
    QPushButton* cmdMkDir_;
    bool revealCurrent_ = false;  // keep the current directory in view
};

}  // namespace pellucor
