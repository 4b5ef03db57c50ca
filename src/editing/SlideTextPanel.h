// The panel beside the timing editor's grid that shows the words of the
// slide in the selected row (its slide text file, imgNNN.text) with where
// they came from, and lets the lecturer correct them: a correction is
// saved as the lecturer's own, which a publish and OCR never replace. It
// also gives the grid each slide's title and where that title came from.
#pragma once

#include <QObject>

#include <functional>
#include <map>
#include <string>
#include <utility>

#include "core/SlideText.h"

namespace pellucor {

class TimingEditor;

class SlideTextPanel : public QObject {
    Q_OBJECT
public:
    explicit SlideTextPanel(TimingEditor& editor, QObject* parent = nullptr);

    // The slide directory (pictures, titles.txt and the text files).
    std::function<std::string()> slideDir;

    // The slide of the editor's selected row (its picture's name, "" for a
    // row whose page names no slide picture).
    const std::string& Picture() const { return picture_; }
    const std::string& Text() const { return text_.text; }
    const std::string& Title() const { return text_.title; }
    // Where the shown text came from ("OCR (91%)", "the lecturer"; "" when
    // the slide has none yet).
    std::string Source() const { return SlideTextSourceLabel(text_); }
    bool Unsaved() const { return unsaved_; }

    // Edits, as typed.
    void SetText(const std::string& text);
    void SetTitle(const std::string& title);
    // Writes the shown text as the lecturer's own; false (after a message)
    // when it cannot be written.
    bool saveText();

    // A page's title as a publish takes it, and where it came from
    // ("titles.txt", "the slide's text, OCR (91%)"); both empty when the
    // slide has no title but its page name.
    std::pair<std::string, std::string> TitleOf(const std::string& page);

    // Follows the editor: shows the selected row's slide (a correction of
    // the slide shown before is saved first). Called on every change of
    // the editor, and once slideDir is set.
    void Follow();

    // "sld003.htm" -> "img003.gif"; "" when the page is not "sld" + number.
    static std::string PictureOfPage(const std::string& page);

signals:
    void changed();

private:
    void load();

    TimingEditor& editor_;
    std::string dir_;
    std::string picture_;
    SlideText text_;
    bool unsaved_ = false;
    // Titles of the grid's pages, by page, read once per directory and
    // again after a save or a change of the grid.
    std::string titlesDir_;
    std::map<std::string, std::pair<std::string, std::string>> titles_;
};

}  // namespace pellucor
