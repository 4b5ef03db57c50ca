// The directory chooser's dialog, bound to the SelDir model.
#pragma once

#include <QDialog>

#include <string>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;
class SelDir;
struct FrontEndHooks;

class SelDirDialog : public QDialog {
    Q_OBJECT
public:
    SelDirDialog(SelDir* model, QWidget* parent = nullptr);

    // Loads the chooser afresh, shows it modally and, on OK, puts the chosen
    // directory into dir.
    static bool Choose(QWidget* parent, const FrontEndHooks* hooks, const std::string& title, std::string& dir,
                       bool allowCreate);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    SelDir* model_;
    QComboBox* Drive1_;
    QTreeView* Dir1_;
    QFileSystemModel* fs_;
    QLineEdit* DirName_;
    QPushButton* cmdMkDir_;
};
