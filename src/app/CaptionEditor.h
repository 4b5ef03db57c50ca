// The caption editor's window model: the cues of one part's captions as a
// list (start, end, text), each editable, split in two or merged with the
// next, played from its start; saved whole, as the lecturer's own, so that
// automatic captions never replace them (the machine-made mark goes).
// Automatic captions and a lecturer's WebVTT are saved as WebVTT, SubRip as
// SubRip, each under its own name. The same list edits the recording's
// audio descriptions (NAME1.descriptions.vtt), their cue identifiers
// ("slide-3 extended") kept.
#pragma once

#include <QObject>
#include <QString>

#include <string>
#include <vector>

namespace pellucor {

class CaptionEditor : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Pellucor - Captions";

    struct Cue {
        double start = 0, end = 0;  // seconds
        std::string text;           // its lines joined by "\n"
        std::string id;             // its WebVTT identifier, "" when none
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

private:
    bool setTime(size_t cue, bool start, const std::string& time, std::string& err);
    bool read(const std::string& file, std::string& err);
    void changed();

    std::string file_, recording_, captionsFile_;
    bool descriptions_ = false;
    std::vector<Cue> cues_;
    bool automatic_ = false, modified_ = false, subRip_ = false;
};

}  // namespace pellucor
