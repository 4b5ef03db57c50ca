// The timing editor: a lecture's slide events in a three-column grid (page,
// start, end) that can be edited, extended, shifted and written back as an
// events file. Each row's end is kept equal to the next row's start; the
// last row ends at the media length (TimeEnd). The cut list of the
// recording that goes with the loaded events file is edited and saved with
// it; the grid shows each start as the students will see it.
#pragma once

#include <QObject>

#include <functional>
#include <string>
#include <vector>

#include "editing/CutEdits.h"

namespace pellucor {

class FileChooser;

class TimingEditor : public QObject {
    Q_OBJECT
public:
    struct Row {
        std::string page;   // column 0, e.g. "sld001.htm"
        std::string start;  // column 1
        std::string end;    // column 2
        bool bad = false;   // the page cell is shown red
        // Why the change needs a look (the slide sync was unsure of it, as
        // a "# review" comment before its line says); "" when it does not.
        std::string review;
        // The start the students see, less the cuts before it ("" when the
        // recording has no cuts); cutAway: the whole stretch is cut.
        std::string shown;
        bool cutAway = false;
    };

    static constexpr const char* kCaption = "Pellucor - RuziZE!";
    static constexpr const char* kFilter = "Text (*.txt)|*.txt|All Files (*.*)|*.*";

    explicit TimingEditor(FileChooser* chooser = nullptr, QObject* parent = nullptr);

    // Where the file dialogs start: the main window's lecture directory.
    std::function<std::string()> lectureDir;

    // Window actions.
    void load();
    void openFile();
    void save();
    void saveAs();
    void addRow();
    void insertRow();  // Insert
    void deleteRow();  // Delete
    void decrease();
    void increase();
    void reset();
    // True when the window may close (after the unsaved question).
    bool done();
    void selectRow(int row, int col = 1);
    void startTimeChanged(const std::string& text);
    void imageChanged(const std::string& text);
    void endTimeChanged(const std::string& text);
    void deltaChanged(const std::string& text) { delta_ = text; }
    void startTimeKeyUp();    // Up arrow in the time or page field
    void startTimeKeyDown();  // Down arrow
    void startTimeEntered();  // Enter: move down, growing the grid at its end

    // The unsaved question: true when nothing is unsaved or the user agrees
    // to discard the changes.
    bool ConfirmDiscard();

    // The file operations behind Load and Save, without the dialogs.
    bool LoadFile(const std::string& path);
    bool SaveFile(const std::string& path);

    // Re-derives the end times from the starts and marks the bad rows.
    void CheckTimes();

    // Selects row and sets its start, as typing it into the time field does.
    void SetRowStart(int row, const std::string& start);
    // The events file last loaded ("" before any).
    const std::string& LoadedFile() const { return loadedFile_; }
    // A grid time in seconds: a text shorter than 6 characters is minutes
    // and seconds ("1:30"); unreadable text counts as 0.
    static long GridSeconds(const std::string& text);

    const std::vector<Row>& Rows() const { return rows_; }
    int SelectedRow() const { return row_; }
    int SelectedCol() const { return col_; }
    int GreenRow() const { return greenRow_; }  // start cell shown green
    const std::string& Timein() const { return timein_; }
    const std::string& TxtImage() const { return image_; }
    const std::string& TimeEnd() const { return timeEnd_; }
    const std::string& Delta() const { return delta_; }
    // Grid edits or cut changes not saved yet.
    bool Unsaved() const { return unsaved_ || cuts_.Modified(); }

    // The cut list of the recording that goes with the loaded events file.
    const CutList& Cuts() const { return cuts_.Current(); }
    const CutEdits& CutHistory() const { return cuts_; }
    // That recording; "" when there is none, or when its cut list could not
    // be read (the file is then left as it is).
    const std::string& CutsOf() const { return cutsOf_; }
    // Makes next the cut list (see CutEdits::Change); the timeline checks it.
    void ChangeCuts(CutList next, const std::string& what, bool continuing = false);
    void UndoCuts();
    void RedoCuts();

    // "5" -> "0:00:05", "1:30" -> "0:01:30", "12:30" -> "0:12:30".
    static std::string NormaliseTime(const std::string& text);
    // The page that follows page ("sld004.htm" -> "sld005.htm"); empty when
    // page is not "sld" followed by a number above 0.
    static std::string NextPage(const std::string& page);

signals:
    // Any part of the grid or of the fields changed.
    void changed();
    void closeRequested();

private:
    void insertRow(int at);
    void select(int row);
    void shift(int sign);
    void editCell(std::string Row::*cell, std::string& field, const std::string& text);
    void setUnsaved() { unsaved_ = true; }
    void loadCuts(const std::string& eventsFile);
    void cutsChanged();

    FileChooser* chooser_;
    std::vector<Row> rows_;
    int row_ = 0;
    int col_ = 1;
    int greenRow_ = 0;
    std::string timein_, image_, timeEnd_, delta_;
    bool unsaved_ = false;
    std::string loadedFile_;
    std::string saveTo_;  // where Save writes without asking ("" to ask)
    CutEdits cuts_;
    std::string cutsOf_;
};

}  // namespace pellucor
