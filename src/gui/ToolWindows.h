// The windows of the other layers that the main window and the detailed
// form open through their hooks: the FTP window, the timing editor, the
// recording set-up, the player, the encoder set-up, the server edition and
// the PPTImport dialog, the caption editor; also the main window's slide
// import.
#pragma once

#include <functional>
#include <memory>
#include <string>

class QWidget;

namespace pellucor {

class AppContext;
class MainWindowSlideImport;
class LectureWatcher;
class LectureWatcherView;
class QtFileChooser;
class QtRecordingWindows;
class TimingEditor;
class TimelineModel;
class SlideTextPanel;
class TimingEditorView;
class CaptionEditor;
class CaptionEditorView;

class ToolWindows {
public:
    // mainWindow is hidden when the server edition opens.
    ToolWindows(AppContext& context, QWidget* mainWindow);
    ~ToolWindows();

private:
    void showServer();
    void showTimingEditor(const std::string& dir);
    // With an events file loaded.
    void showTimingReview(const std::string& dir, const std::string& eventsFile);
    bool showRecordingSetup(const std::string& dir);
    void newTools();
    void showPlayer();
    // The player window playing recording from seconds on; skip (when
    // given) says where playing goes on from a position.
    void playFrom(const std::string& recording, double seconds, std::function<double(double)> skip = {});
    void showEncoderSetup();
    // The caption editor on captionsFile (edits not saved yet are kept
    // unless the user lets them go).
    void showCaptionEditor(const std::string& captionsFile, const std::string& recording);
    bool showConverter(const std::string& input, const std::string& output);
    void showSlideImport(const std::string& slideDir);

    AppContext& context_;
    QWidget* mainWindow_;
    std::unique_ptr<LectureWatcher> lectureWatcher_;
    std::unique_ptr<LectureWatcherView> lectureWatcherView_;
    std::string timingDir_;
    std::unique_ptr<QtFileChooser> chooser_;
    std::unique_ptr<TimingEditor> timingEditor_;
    std::unique_ptr<TimelineModel> timeline_;
    std::unique_ptr<SlideTextPanel> slideText_;
    std::unique_ptr<TimingEditorView> timingEditorView_;
    std::unique_ptr<CaptionEditor> captionEditor_;
    std::unique_ptr<CaptionEditorView> captionEditorView_;
    // The player and encoder set-up opened on their own from the menus.
    std::unique_ptr<QtRecordingWindows> tools_;
    std::unique_ptr<MainWindowSlideImport> slideImporter_;
};

}  // namespace pellucor
