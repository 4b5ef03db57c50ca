#include "editing/TimingEditor.h"

#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/EventsFile.h"
#include "core/FileChooser.h"
#include "core/TavUtils.h"
#include "core/TimeText.h"
#include "editing/TimelineModel.h"

namespace pellucor {

namespace {

constexpr const char* kDiscard = "Data has not been saved.  OK to discard changes?";

long gridSeconds(const std::string& text) { return TimingEditor::GridSeconds(text); }

}  // namespace

// Grid times are read as times of day; a short text such as "1:30" means
// minutes and seconds. Unreadable text counts as 00:00:00.
long TimingEditor::GridSeconds(const std::string& text)
{
    const std::string t = Trim(text);
    long s = 0;
    return TimeValue(t.size() < 6 ? "0:" + t : t, s) ? s : 0;
}

void TimingEditor::SetRowStart(int row, const std::string& start)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return;
    select(row);
    startTimeChanged(start);
}

TimingEditor::TimingEditor(FileChooser* chooser, QObject* parent) : QObject(parent), chooser_(chooser) { load(); }

void TimingEditor::load()
{
    rows_.assign(1, Row {"sld001.htm", "", "", false, "", "", false});
    saveTo_.clear();
    cutsOf_.clear();
    cuts_.Reset(CutList());
    row_ = 0;
    col_ = 1;
    unsaved_ = false;
    selectRow(0, 1);
}

std::string TimingEditor::NormaliseTime(const std::string& text)
{
    const std::string t = Trim(text);
    switch (t.size()) {
    case 1: return "0:00:0" + t;
    case 2: return "0:00:" + t;
    case 4: return "0:0" + t;
    case 5: return "0:" + t;
    default: return t;
    }
}

std::string TimingEditor::NextPage(const std::string& page)
{
    if (!StartsWith(Lower(page), "sld"))
        return {};
    const double n = Val(page.substr(3));
    if (n < 1 || n >= 999999)
        return {};
    return "sld" + Fmt000(static_cast<long>(n) + 1) + ".htm";
}

bool TimingEditor::ConfirmDiscard() { return !Unsaved() || Tav_AskOkCancel(kDiscard) == TavOK; }

// --- Loading and saving ----------------------------------------------------

void TimingEditor::openFile()
{
    if (!chooser_ || !ConfirmDiscard())
        return;
    const std::string path = chooser_->OpenFileName(lectureDir ? lectureDir() : std::string(), kFilter);
    if (!path.empty())
        LoadFile(path);
}

bool TimingEditor::LoadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        Tav_Message("Unable to open file - " + path);
        return false;
    }
    std::vector<Row> rows;
    std::string line, review;
    while (Tav_ReadLine(in, line)) {
        line = Trim(line);
        if (StartsWith(line, kEventReviewComment))
            review = Trim(line.substr(std::strlen(kEventReviewComment)));
        if (line.empty() || line[0] == '#')
            continue;
        const auto f = Tav_Split(line, " ");
        if (f.size() - 1 != 4 || f[1] != "u")
            continue;
        rows.push_back(Row {f[4].size() > 4 ? f[4].substr(4) : std::string(), f[2], f[3], false, review, "", false});
        review.clear();
    }
    // A file of another format is never written over with this grid.
    saveTo_ = rows.empty() ? std::string() : path;
    if (rows.empty()) {
        Tav_Message("No valid lines found in file " + path
                    + ". Only events files written by this program can be edited here; files in the "
                      "alternative format (such as \"images.txt\") can be read for publishing but not edited.");
        rows.push_back(Row {});
        timeEnd_.clear();
    } else {
        timeEnd_ = rows.back().end;
    }
    rows_ = std::move(rows);
    loadedFile_ = path;
    loadCuts(path);
    row_ = 0;
    col_ = 1;
    selectRow(0, 1);
    unsaved_ = false;
    emit changed();
    return true;
}

// A cut list that cannot be read is said so and left alone: the editor
// shows no cuts for it and never writes it over.
void TimingEditor::loadCuts(const std::string& eventsFile)
{
    cutsOf_ = TimelineModel::RecordingFor(eventsFile);
    CutList cuts;
    std::string err;
    if (!cutsOf_.empty() && !ReadCutList(cutsOf_, 0, cuts, err)) {
        Tav_Message(err
                    + "\n\nIts cuts are not shown here, and saving leaves the file as it is: mend it, then load "
                      "the events file again.");
        cutsOf_.clear();
        cuts = CutList();
    }
    cuts_.Reset(std::move(cuts));
}

// Save writes back the events file the grid came from; a grid that came
// from none (or from a file it could not read) asks where, as Save As does.
void TimingEditor::save()
{
    if (saveTo_.empty())
        saveAs();
    else
        SaveFile(saveTo_);
}

void TimingEditor::saveAs()
{
    if (!chooser_)
        return;
    const std::string path = chooser_->SaveFileName(lectureDir ? lectureDir() : std::string(), kFilter);
    if (!path.empty() && SaveFile(path))
        saveTo_ = path;
}

bool TimingEditor::SaveFile(const std::string& path)
{
    std::ostringstream out;
    for (const Row& r : rows_) {
        if (Trim(r.start).empty() || Trim(r.end).empty())
            continue;
        WriteLine(out, EventLineText({r.start, r.end, r.page}));
    }
    // Written to a temporary file and renamed into place, so a failed save
    // never leaves a half-written events file behind.
    QSaveFile file(QString::fromStdString(path));
    const std::string text = out.str();
    if (!file.open(QIODevice::WriteOnly)
        || file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())
        || !file.commit()) {
        Tav_Message("Unable to save file - " + path);
        return false;
    }
    unsaved_ = false;
    // The cut list goes beside the recording; written only when changed, so
    // that a hand-written one keeps its comments.
    std::string err;
    const bool cutsSaved = cutsOf_.empty() || !cuts_.Modified() || WriteCutList(cutsOf_, cuts_.Current(), err);
    if (cutsSaved)
        cuts_.MarkSaved();
    else
        Tav_Message("Unable to save the cuts - " + err);
    emit changed();
    return cutsSaved;
}

// --- Cuts ----------------------------------------------------------------------

void TimingEditor::cutsChanged()
{
    CheckTimes();
    emit changed();
}

void TimingEditor::ChangeCuts(CutList next, const std::string& what, bool continuing)
{
    if (cutsOf_.empty())
        return;
    cuts_.Change(std::move(next), what, continuing);
    cutsChanged();
}

void TimingEditor::UndoCuts()
{
    if (cuts_.Undo())
        cutsChanged();
}

void TimingEditor::RedoCuts()
{
    if (cuts_.Redo())
        cutsChanged();
}

// --- Rows --------------------------------------------------------------------

void TimingEditor::insertRow(int at)
{
    Row r;
    r.page = at == 0 ? std::string("sld001.htm") : NextPage(rows_[static_cast<size_t>(at - 1)].page);
    rows_.insert(rows_.begin() + at, r);
}

void TimingEditor::addRow()
{
    insertRow(row_ + 1);
    setUnsaved();
    selectRow(row_ + 1, col_);
}

void TimingEditor::insertRow()
{
    insertRow(row_);
    setUnsaved();
    selectRow(row_, col_);
}

void TimingEditor::deleteRow()
{
    if (rows_.size() < 2)
        rows_[0] = Row {};
    else
        rows_.erase(rows_.begin() + row_);
    setUnsaved();
    selectRow(std::min(row_, static_cast<int>(rows_.size()) - 1), col_);
}

void TimingEditor::reset()
{
    if (!ConfirmDiscard())
        return;
    rows_.resize(1);
    Row& r = rows_[0];
    (col_ == 0 ? r.page : col_ == 2 ? r.end : r.start) = " ";
    select(0);
    cuts_.Revert();
    CheckTimes();
    unsaved_ = false;
    emit changed();
}

bool TimingEditor::done()
{
    if (!ConfirmDiscard())
        return false;
    emit closeRequested();
    return true;
}

// --- Selection and the edit fields --------------------------------------------

void TimingEditor::select(int row)
{
    row_ = std::clamp(row, 0, static_cast<int>(rows_.size()) - 1);
    timein_ = rows_[static_cast<size_t>(row_)].start;
    image_ = rows_[static_cast<size_t>(row_)].page;
}

void TimingEditor::selectRow(int row, int col)
{
    col_ = std::clamp(col, 0, 2);
    select(row);
    CheckTimes();
    emit changed();
}

void TimingEditor::editCell(std::string Row::*cell, std::string& field, const std::string& text)
{
    field = text;
    std::string& current = rows_[static_cast<size_t>(row_)].*cell;
    if (current != text) {
        current = text;
        setUnsaved();
    }
    CheckTimes();
    emit changed();
}

void TimingEditor::startTimeChanged(const std::string& text) { editCell(&Row::start, timein_, text); }
void TimingEditor::imageChanged(const std::string& text) { editCell(&Row::page, image_, text); }

void TimingEditor::endTimeChanged(const std::string& text)
{
    timeEnd_ = text;
    CheckTimes();
    emit changed();
}

void TimingEditor::startTimeKeyUp()
{
    if (row_ > 0)
        selectRow(row_ - 1, col_);
}

void TimingEditor::startTimeKeyDown()
{
    if (row_ + 1 < static_cast<int>(rows_.size()))
        selectRow(row_ + 1, col_);
}

void TimingEditor::startTimeEntered()
{
    if (row_ + 1 == static_cast<int>(rows_.size()))
        insertRow(row_ + 1);
    setUnsaved();
    selectRow(row_ + 1, col_);
}

// --- Shifting and checking ------------------------------------------------------

void TimingEditor::shift(int sign)
{
    const long delta = gridSeconds(NormaliseTime(delta_));
    for (size_t i = 1; i < rows_.size(); ++i) {
        const std::string start = Trim(rows_[i].start);
        const long s = gridSeconds(start);
        if (start.empty() || s <= 0)
            continue;
        // A start cannot move before the beginning of the media.
        const std::string moved = HmsText(std::max(0L, s + sign * delta));
        if (moved != rows_[i].start) {
            rows_[i].start = moved;
            setUnsaved();
        }
    }
    select(row_);
    CheckTimes();
    emit changed();
}

void TimingEditor::decrease() { shift(-1); }
void TimingEditor::increase() { shift(+1); }

void TimingEditor::CheckTimes()
{
    std::string next = timeEnd_;
    for (size_t i = rows_.size(); i-- > 0;) {
        Row& r = rows_[i];
        r.end = next;
        next = r.start;
        r.bad = Trim(r.page).empty() || Trim(r.start).empty() || gridSeconds(r.start) >= gridSeconds(r.end);
        // What the students see: the times less the cuts before them.
        const CutList& cuts = cuts_.Current();
        const auto start = static_cast<double>(gridSeconds(r.start));
        r.shown = cuts.Empty() || Trim(r.start).empty() ? std::string() : HmsText(std::lround(cuts.Shifted(start)));
        // Cut away as the publish leaves it out.
        r.cutAway = !r.bad && cuts.CutsAway(start, static_cast<double>(gridSeconds(r.end)));
    }
    greenRow_ = row_;
}

}  // namespace pellucor

#include "moc_TimingEditor.cpp"
