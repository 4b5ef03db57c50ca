// A part's cut list: the stretches of its recording that the published
// lecture leaves out (the set-up before the lecture, a break, the chatter
// after). It is kept beside the recording as NAME1.cuts, plain UTF-8 text
// with one stretch per line, "FROM TO" in the recording's own time
// (seconds, m:ss or h:mm:ss, with a fraction), and comments after "#". The
// recording, its events file and its captions are never changed: every
// time a publish writes is moved by the cuts before it.
#pragma once

#include <string>
#include <vector>

namespace pellucor {

// Seconds of the recording, from < to.
struct CutStretch {
    double from = 0, to = 0;
    bool operator==(const CutStretch&) const = default;
};

class CutList {
public:
    CutList() = default;
    // Stretches already checked: sorted, apart and each from < to.
    explicit CutList(std::vector<CutStretch> stretches) : cuts_(std::move(stretches)) {}

    bool Empty() const { return cuts_.empty(); }
    const std::vector<CutStretch>& Stretches() const { return cuts_; }

    // The time the students see for a time t of the recording: t less
    // every cut before it; a time inside a cut is where that cut was.
    double Shifted(double t) const;
    // Whether t lies inside a cut (its end not included).
    bool IsCut(double t) const;
    // Whether the cuts leave none of the stretch from..to (from < to):
    // less than half a second of it, as slide times are whole seconds.
    bool CutsAway(double from, double to) const { return from < to && Shifted(to) - Shifted(from) < 0.5; }
    // The stretches of a recording of the given length that stay, in order.
    std::vector<CutStretch> Kept(double length) const;
    // Seconds left of a recording of the given length.
    double KeptLength(double length) const;

    // Adds a stretch, refused with err when it is reversed, empty, starts
    // before 0, ends after length (when length > 0) or overlaps a cut
    // already there.
    bool Add(CutStretch stretch, double length, std::string& err);

private:
    std::vector<CutStretch> cuts_;
};

// Reads the text of a cut list. False with err ("line N: ...") for a line
// that is not two times, a stretch that is reversed or empty, one that
// overlaps another, or (when length > 0) one past the recording's end.
bool ParseCutList(const std::string& text, double length, CutList& cuts, std::string& err);
// The text of a cut list: a comment naming the recording, then a line per
// stretch in h:mm:ss.mmm.
std::string CutListText(const CutList& cuts, const std::string& recordingName);

// A time as a cut list, the command line or the editor writes it:
// seconds ("75.5"), "m:ss" or "h:mm:ss", each with a fraction. False when
// it is none of them.
bool ParseCutTime(const std::string& text, double& seconds);
// "h:mm:ss.mmm".
std::string CutTimeText(double seconds);

// The cut list of a recording: its name with ".cuts" for the extension,
// found in any letter case; the path it goes to where there is none.
std::string CutListPath(const std::string& mediaPath);
// The cut list beside a recording; an empty list where there is none.
// False with err naming the file and the line at fault.
bool ReadCutList(const std::string& mediaPath, double length, CutList& cuts, std::string& err);
// Writes it beside the recording in one rename; an empty list removes the
// file. False with err; the file there is then as it was.
bool WriteCutList(const std::string& mediaPath, const CutList& cuts, std::string& err);

}  // namespace pellucor
