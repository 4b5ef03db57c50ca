// The timing editor's timeline: the recording of the loaded events file
// drawn as a waveform (and a filmstrip for video) with each slide change as
// a marker. Dragging a marker moves that change in the editor's grid (whose
// end times stay chained); a click plays the recording from there. The
// overview is read with FFmpeg on a worker thread and kept in the overview
// cache, so a recording is read once.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/CutList.h"
#include "editing/OverviewCache.h"
#include "media/RecordingOverview.h"

namespace pellucor {

class CutEdits;
class TimingEditor;

class TimelineModel : public QObject {
    Q_OBJECT
public:
    enum class State { NoRecording, Reading, Ready, Failed };

    struct Marker {
        int row = 0;
        double seconds = 0;
        std::string page;        // "sld003.htm"
        std::string slideImage;  // its image's path; "" when there is none
        bool bad = false;        // the editor shows the row in red
        bool cutAway = false;    // its whole stretch is cut
    };

    // Thumbnail height of the filmstrip, in pixels.
    static constexpr int kThumbHeight = 48;
    static constexpr int kMaxFrames = 240;
    // The closest zoom: pixels per second.
    static constexpr double kMaxZoom = 80;

    explicit TimelineModel(TimingEditor& editor, OverviewCache cache = OverviewCache(), QObject* parent = nullptr);
    ~TimelineModel() override;

    // Where the slide images are (the lecture directory).
    std::function<std::string()> slideDir;

    // The recording that goes with an events file: the same name with a
    // recording's extension (RealMedia first), rawmedia.* beside
    // pellucor.txt, rawmedia.txt or images.txt, else the directory's first
    // recording; "" when none.
    static std::string RecordingFor(const std::string& eventsFile);

    // Shows path's overview (from the cache, or read in the background);
    // "" shows none.
    void SetRecording(const std::string& path);
    const std::string& Recording() const { return recording_; }
    State GetState() const { return state_; }
    int Percent() const { return percent_; }
    const std::string& Error() const { return error_; }
    const RecordingOverview& Overview() const { return overview_; }
    // Whether the overview came from the cache.
    bool FromCache() const { return fromCache_; }
    // Waits (running the event loop) until the overview is read; for tools
    // and tests.
    bool WaitUntilRead(int timeoutMs);

    // Seconds the timeline spans: the recording, else the media length the
    // editor holds, else a little past the last change.
    double Duration() const;
    std::vector<Marker> Markers() const;
    // A marker's slide image for a page ("sld003.htm" -> DIR/img003.gif).
    std::string SlideImageFor(const std::string& page) const;

    // Zoom in pixels per second; the view tells how wide it is so that
    // "fit" shows the whole recording.
    double PixelsPerSecond() const;
    void SetViewWidth(int pixels);
    void ZoomIn();
    void ZoomOut();
    void ZoomToFit();
    bool Fitted() const { return zoom_ <= 0; }

    // Moves the change of the editor's row to seconds, kept after the
    // change before it and before the one after it (whole seconds); false
    // when nothing moved.
    bool MoveMarker(int row, double seconds);
    // Plays the recording from seconds through the player (from the end of
    // the cut seconds is in).
    void PlayFrom(double seconds);

    // --- Cuts, drawn hatched over the recording. A stretch dragged across
    // it is selected and then cut; a click on a cut selects it for removal;
    // the handles at both ends cut the beginning and the end away.
    enum class Handle { Start, End };
    // The cuts can be changed once the recording and its cut list are read.
    bool CanEditCuts() const;
    const CutList& Cuts() const;
    // The changes for Undo and Redo.
    const CutEdits& CutHistory() const;
    // The selected stretch; from == to when there is none.
    const CutStretch& Selection() const { return selection_; }
    bool HasSelection() const { return selection_.to > selection_.from; }
    // Selects from..to (either order), kept within the recording.
    void Select(double from, double to);
    // The index of the cut that holds seconds, or of the selected cut; -1
    // for none.
    int CutAt(double seconds) const;
    int SelectedCut() const;
    // A click at seconds: on a cut selects it, elsewhere plays from there.
    void Click(double seconds);
    // Cuts the selected stretch, joined with the cuts it overlaps or
    // touches; the new cut is then selected.
    bool Cut();
    bool RemoveCut();
    void Undo();
    void Redo();
    // Where a handle stands: Start at the end of the cut from 0 (0 when
    // there is none), End at the start of the cut to the end.
    double HandleAt(Handle handle) const;
    // A handle dragged to seconds: the cut from 0 to it (Start) or from it
    // to the end (End); the whole drag is one step for Undo.
    void DragHandle(Handle handle, double seconds);
    void EndDrag() { dragging_ = false; }
    // Where playing from seconds goes on: past the cut it is in.
    double PastCut(double seconds) const;
    // A line about the cuts: the selected stretch, or what is left.
    std::string CutSummary() const;

signals:
    void changed();
    void playRequested(const QString& recording, double seconds);

private:
    void editorChanged();
    void stopReading();
    void selectCut(const CutStretch& cut);

    TimingEditor& editor_;
    OverviewCache cache_;
    std::string recording_;
    std::string loadedFile_;
    State state_ = State::NoRecording;
    int percent_ = 0;
    std::string error_;
    RecordingOverview overview_;
    bool fromCache_ = false;
    double zoom_ = 0;  // pixels per second; 0: fit
    int viewWidth_ = 600;
    std::thread reader_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    unsigned generation_ = 0;
    CutStretch selection_;
    CutStretch selectedCut_;  // from == to: none
    bool dragging_ = false;
    CutList dragBase_;  // the cuts as a handle's drag found them
};

}  // namespace pellucor
