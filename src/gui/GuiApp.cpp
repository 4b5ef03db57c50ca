// The windowed program: its windows (GuiWindows), the message boxes, and
// the first window chosen at start-up. "--screenshot DIR" saves a picture
// of each window and quits; "--automation" also offers the automation
// object on the session bus.
#include "gui/GuiApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QTimer>

#include <iostream>
#include <memory>

#include "app/AutomationExport.h"
#include "app/DirectoryChooser.h"
#include "app/Preferences.h"
#include "app/widgets/AboutBox.h"
#include "app/widgets/DirectoryChooserDialog.h"
#include "app/widgets/GuiMessageSink.h"
#include "app/widgets/MainWindowView.h"
#include "app/widgets/PreferencesView.h"
#include "app/widgets/PublishFormView.h"
#include "core/TavUtils.h"
#include "editing/TimelineModel.h"
#include "editing/TimingEditor.h"
#include "editing/widgets/TimingEditorView.h"
#include "gui/GuiWindows.h"

namespace pellucor {

namespace {
bool save(QWidget* w, const QString& dir, const QString& name)
{
    w->show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QString file = QDir(dir).filePath(name + ".png");
    const bool ok = w->grab().save(file);
    std::cout << (ok ? "saved " : "FAILED ") << file.toStdString() << std::endl;
    w->hide();
    return ok;
}

// The timing editor on the lecture's first events file, its timeline read.
bool saveTimingEditor(const std::string& lectureDir, const QString& dir)
{
    TimingEditor editor;
    TimelineModel timeline(editor);
    timeline.slideDir = [lectureDir] { return lectureDir; };
    TimingEditorView view(editor, &timeline);
    view.resize(900, 620);
    editor.LoadFile(Tav_DirSlash(lectureDir) + "talk1.txt");
    if (!timeline.WaitUntilRead(60000))
        std::cout << "timeline: " << timeline.Error() << std::endl;
    return save(&view, dir, "timing-editor");
}

int screenshots(PublishFormView& f1, MainWindowView& f2, PreferencesView& prefs, const QString& dir,
                const std::string& lectureDir)
{
    QDir().mkpath(dir);
    DirectoryChooser chooser;
    chooser.allowCreate();
    chooser.Caption = "Select Disk Publish Directory";
    chooser.DirName = QDir::homePath().toStdString();  // an existing one: nothing is created
    DirectoryChooserDialog chooserDialog(&chooser);
    AboutBox about;
    bool ok = save(&f2, dir, "main-window") && save(&f1, dir, "publish-form");
    ok = save(&prefs, dir, "preferences") && ok;
    ok = save(&chooserDialog, dir, "directory-chooser") && ok;
    ok = save(&about, dir, "about") && ok;
    ok = saveTimingEditor(lectureDir, dir) && ok;
    return ok ? 0 : 1;
}
}  // namespace

int RunGui(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pellucor");
    QApplication::setDesktopFileName("pellucor");
    QApplication::setWindowIcon(QIcon::fromTheme("pellucor"));
    QCommandLineParser parser;
    parser.setApplicationDescription("Pellucor: publish lectures whose slides change in step with the recording.");
    parser.addHelpOption();
    const QCommandLineOption shot("screenshot", "Save a picture of each window into DIR and quit.", "dir");
    parser.addOption(shot);
    const QCommandLineOption automationOption(
        "automation", "Also serve the automation interface on the D-Bus session bus (org.pellucor.Pellucor).");
    parser.addOption(automationOption);
    parser.process(app);
    const bool screenshotMode = parser.isSet(shot);

    // Screenshots run unattended: no dialog may wait for a click.
    GuiMessageSink sink;
    if (!screenshotMode)
        SetMessageSink(&sink);

    GuiWindows windows(QString(), !screenshotMode);
    windows.context().prefs().PrepareFirstRun();
    const MainWindow::StartWindow first = windows.Load();
    if (screenshotMode)
        return screenshots(windows.publishFormView(), windows.mainWindowView(), windows.preferencesView(),
                           parser.value(shot), windows.context().mainWindow().LectureDir);

    std::unique_ptr<AutomationExport> automation;
    if (parser.isSet(automationOption)) {
        automation = std::make_unique<AutomationExport>(&windows.context());
        QString err;
        if (!automation->Register(err)) {
            std::cerr << "pellucor: automation not offered: " << err.toStdString() << std::endl;
            automation.reset();
        }
    }
    windows.ShowFirst(first);
    return app.exec();
}

}  // namespace pellucor
