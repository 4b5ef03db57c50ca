// The caption editor's window: binds a CaptionEditor model to a list of
// cues (start, end and text, each edited in place; a cue that cannot be
// saved shown red) and its buttons, with a tab for the captions and one
// for the audio descriptions.
#pragma once

#include <QWidget>

#include <functional>

class QCloseEvent;
class QHBoxLayout;
class QLabel;
class QTabBar;
class QTableWidget;

namespace pellucor {

class CaptionEditor;

class CaptionEditorView : public QWidget {
    Q_OBJECT
public:
    explicit CaptionEditorView(CaptionEditor& model, QWidget* parent = nullptr);

    QTableWidget* Cues() const { return grid_; }
    QLabel* Status() const { return status_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void cellEdited(int row, int column);
    int selectedCue() const;
    void addButton(QHBoxLayout* row, const QString& caption, const QString& tip,
                   const std::function<void()>& action);
    void split();
    void merge();
    void play();
    void save();
    void switchFile(int tab);
    bool settled();

    CaptionEditor& model_;
    QTabBar* tabs_;  // the captions or the audio descriptions
    QTableWidget* grid_;
    QLabel* status_;
    bool refreshing_ = false;
};

}  // namespace pellucor
