// The windows of the other layers that the main window and the detailed
// form open through their hooks: the FTP window, the timing editor, the
// recording set-up, the player, the encoder set-up, the server edition and
// the PPTImport dialog; also the main window's slide import.
#pragma once

#include <memory>
#include <string>

class AppContext;
class Form2SlideImporter;
class Form3;
class Form3View;
class QtFileChooser;
class QtRecordingWindows;
class Ruzize;
class RuzizeView;
class QWidget;

class ToolWindows {
public:
    // mainWindow is hidden when the server edition opens.
    ToolWindows(AppContext& context, QWidget* mainWindow);
    ~ToolWindows();

private:
    void showServer();
    void showTimingEditor(const std::string& dir);
    bool showRecordingSetup(const std::string& dir);
    void showPlayer();
    void showEncoderSetup();
    void showPptImport(const std::string& slideDir);

    AppContext& context_;
    QWidget* mainWindow_;
    std::unique_ptr<Form3> form3_;
    std::unique_ptr<Form3View> form3View_;
    std::string timingDir_;
    std::unique_ptr<QtFileChooser> chooser_;
    std::unique_ptr<Ruzize> ruzize_;
    std::unique_ptr<RuzizeView> ruzizeView_;
    // The player and encoder set-up opened on their own from the menus.
    std::unique_ptr<QtRecordingWindows> tools_;
    std::unique_ptr<Form2SlideImporter> slideImporter_;
};
