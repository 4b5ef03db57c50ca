// The caption editor's window: binds a CaptionEditor model to a list of
// cues (start, end and text, each edited in place; a cue that cannot be
// saved shown red) and its buttons. Automatic captions are reviewed in it:
// a cue's doubtful words are marked (its text cell shaded, the words named
// in its tip and painted on a highlight), F8 moves to the next doubtful word
// (selected in the open cell, to be fixed in place), a line tells how many
// are left and how much is reviewed, and a box lets the lecturer say that
// a person reviewed them. A tab
// beside the captions' edits the audio descriptions.
#pragma once

#include <QWidget>

#include <functional>

class QCheckBox;
class QCloseEvent;
class QHBoxLayout;
class QLabel;
class QPushButton;
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
    // "N doubtful words left, P% reviewed".
    QLabel* Review() const { return review_; }
    // The role of a text cell's data listing its doubtful words' indexes.
    static constexpr int kDoubtfulRole = Qt::UserRole + 1;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void cellEdited(int row, int column);
    int selectedCue() const;
    QPushButton* addButton(QHBoxLayout* row, const QString& caption, const QString& tip,
                           const std::function<void()>& action);
    void split();
    void merge();
    void play();
    void save();
    void nextDoubtful();
    void showWord(int cue, int word);
    void switchFile(int tab);
    bool settled();

    CaptionEditor& model_;
    QTabBar* tabs_;  // the captions or the audio descriptions
    QTableWidget* grid_;
    QLabel* status_;
    QLabel* review_;
    QCheckBox* reviewed_;
    bool refreshing_ = false;
};

}  // namespace pellucor
