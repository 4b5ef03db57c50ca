// The caption editor's window model: the cues of one part's captions as a
// list (start, end, text), each editable, split in two or merged with the
// next, played from its start; saved whole, so that automatic captions made
// again never replace them (the machine-made mark goes). Automatic captions
// and a lecturer's WebVTT are saved as WebVTT, SubRip as SubRip, each under
// its own name.
// Automatic captions are reviewed here: the words recognised with little
// confidence are doubtful; the editor moves from one to the next, playing
// from a second before each, counts those left, and saves the review with
// the captions (core/CaptionReview): once every doubtful word was seen, or
// the lecturer says so, they are published as reviewed by a person.
// The same list edits the recording's audio descriptions
// (NAME1.descriptions.vtt), their cue identifiers ("slide-3 extended")
// kept.
#pragma once

#include <QObject>
#include <QString>

#include <string>
#include <vector>

#include "core/CaptionReview.h"

namespace pellucor {

class CaptionEditor : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Pellucor - Captions";

    struct Cue {
        double start = 0, end = 0;  // seconds
        std::string text;           // its lines joined by "\n"
        // Its words' confidences (CaptionWords of text, one each), all
        // certain where the captions gave none.
        std::vector<WordMark> marks;
        std::string id;  // its WebVTT identifier, "" when none
    };

    explicit CaptionEditor(QObject* parent = nullptr);

    // Reads the captions of recording from captionsFile; a file not there
    // yet opens an empty list. False with err when the file is not
    // captions.
    bool Open(const std::string& captionsFile, const std::string& recording, std::string& err);
    // The recording's audio descriptions opened instead of its captions
    // (a file not there yet opens an empty list), or the captions again.
    bool OpenDescriptions(bool descriptions, std::string& err);
    bool Descriptions() const { return descriptions_; }
    const std::string& File() const { return file_; }
    const std::string& Recording() const { return recording_; }
    const std::vector<Cue>& Cues() const { return cues_; }
    // Whether the file was automatic captions when opened.
    bool WasAutomatic() const { return automatic_; }
    bool Modified() const { return modified_; }

    // The doubtful words not yet seen, in every cue.
    size_t DoubtfulLeft() const;
    // The share (0 to 1) of the doubtful words a person has seen; 1 when
    // there are none or the lecturer said the captions are reviewed.
    double ReviewedShare() const;
    // Whether a person has reviewed the automatic captions: every doubtful
    // word seen, or the lecturer says so (SetReviewed).
    bool Reviewed() const;
    void SetReviewed(bool reviewed);
    // The indexes (in CaptionWords of its text) of a cue's doubtful words
    // not yet seen.
    std::vector<size_t> DoubtfulWords(size_t cue) const;
    // Moves to the first doubtful word not yet seen from cue on (round to
    // the top after the last cue): marks it seen, emits doubtfulShown and
    // asks to play from a second before it. False when none is left.
    bool NextDoubtful(size_t cue);

    bool SetText(size_t cue, const std::string& text);
    // time as hh:mm:ss.mmm, mm:ss.mmm or seconds; false with err.
    bool SetStart(size_t cue, const std::string& time, std::string& err);
    bool SetEnd(size_t cue, const std::string& time, std::string& err);
    // Splits a cue of two words or more in the middle of its words, its time
    // shared in proportion to the text on either side.
    bool Split(size_t cue);
    // The cue and the next become one, from the first's start to the
    // second's end.
    bool Merge(size_t cue);
    // Asks the view to play the recording from the cue's start.
    void PlayFrom(size_t cue);

    // Why a cue cannot be saved as it is ("" when it can): no text, an end
    // before its start, a start before the cue before it.
    std::string Problem(size_t cue) const;
    // Writes the file (whole, under its name in one rename) and drops the
    // machine-made mark. False with err, the file then as it was.
    bool Save(std::string& err);

    // Times as the list shows them: hh:mm:ss.mmm.
    static std::string TimeText(double seconds);
    static bool ParseTime(const std::string& text, double& seconds);

signals:
    void cuesChanged();
    void playRequested(const QString& recording, double seconds);
    // The word (index in CaptionWords of the cue's text) moved to.
    void doubtfulShown(int cue, int word);

private:
    bool setTime(size_t cue, bool start, const std::string& time, std::string& err);
    bool read(const std::string& file, std::string& err);
    void changed();

    std::string reviewLines() const;

    std::string file_, recording_, captionsFile_;
    bool descriptions_ = false;
    std::vector<Cue> cues_;
    bool automatic_ = false, modified_ = false, subRip_ = false;
    // Automatic captions: the first note's lines as they were (the
    // review's own line left out), and whether the lecturer said reviewed.
    std::vector<std::string> machineNote_;
    bool saidReviewed_ = false;
    bool confident_ = false;  // the captions gave their words' confidences
};

}  // namespace pellucor
