// The preferences' and the directory chooser's models; their real windows
// are in widgets/AppWindowsTest.cpp.
#include <gtest/gtest.h>

#include "AppFixture.h"
#include "app/DirectoryChooser.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

using PreferencesAndChooser = AppFixture;

TEST_F(PreferencesAndChooser, SaveStoresCancelRestoresTheStoredValuesAndPresetsStoreNothing)
{
    Preferences p(QString::fromStdString(dir.file("prefs.ini")));
    p.load();
    EXPECT_EQ(p.Get("prfRmmerge") + p.Get("prfMore"), "None");  // the built-in defaults
    p.Set("prfHttp", "http://mine/");
    QString status;
    QObject::connect(&p, &Preferences::statusText, [&](const QString& s) { status = s; });
    p.save();
    EXPECT_EQ(status, "Preferences saved");
    EXPECT_EQ(readFile(dir.file("prefs.ini")).find("[Pref]"), 0u);
    p.restoreDefaults();
    EXPECT_EQ(p.Get("prfHttp"), "http://lectures.example.org/pellucor/lectures/${lecname}/");
    p.cancel();  // Cancel: the stored value, not the default
    EXPECT_EQ(p.Get("prfHttp"), "http://mine/");

    p.Set("prfWebHost", "  host.example.org  ");
    p.deactivate();
    EXPECT_EQ(p.Get("prfWebHost"), "host.example.org");
    p.chooseG2();
    EXPECT_TRUE(holds(p.Get("prfRmmerge"), "rmevents") && holds(p.Get("prfEvents"), "rmevents.dll")
                && holds(p.Get("prfRmcut"), "rmcut"));
    p.chooseRPPlus();
    EXPECT_TRUE(holds(p.Get("prfRmmerge"), "rmevents"));
    p.chooseRE5();
    EXPECT_TRUE(holds(p.Get("prfRmmerge"), "rmmerge"));
    p.chooseBuiltIn();
    EXPECT_EQ(p.Get("prfRmmerge") + p.Get("prfEvent32") + p.Get("prfEvents"), "NoneNone");
    EXPECT_EQ(stored("prfWebHost") + stored("prfHttp"), "http://mine/");
}

TEST_F(PreferencesAndChooser, FirstRunCreatesTheDefaultLectureFolderOnce)
{
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(dir.dir() + "home"));
    fs::create_directories(dir.dir() + "home");
    const std::string folder = dir.dir() + "home/Lectures/";
    const QString ini = QString::fromStdString(dir.file("first.ini"));
    EXPECT_EQ(Preferences::DefaultLectureFolder(), folder);
    {
        Preferences p(ini);
        EXPECT_TRUE(p.PrepareFirstRun());
        EXPECT_TRUE(fs::is_directory(folder));
        p.load();
        EXPECT_EQ(p.Get("prfLectureDir"), folder);
    }
    fs::remove(folder);  // from then on the folder is the user's business
    EXPECT_FALSE(Preferences(ini).PrepareFirstRun());
    EXPECT_FALSE(fs::exists(folder));
    qputenv("HOME", realHome);
}

TEST_F(PreferencesAndChooser, OkAddsTheSeparatorCancelKeepsTheCallersValueAndABadStartFallsBackToTheRoot)
{
    DirectoryChooser s;
    EXPECT_EQ(s.chkCancel, 1);  // closed without OK: cancelled
    s.DirName = "  " + dir.path().string() + "  ";
    s.activate();
    EXPECT_EQ(s.DirName + " " + s.currentDir, dir.dir() + " " + dir.dir());
    EXPECT_FALSE(s.cmdMkDirVisible);
    s.DirName = dir.path().string() + "/sub";
    s.accept();
    EXPECT_EQ(s.DirName, dir.dir() + "sub/");
    EXPECT_EQ(s.chkCancel, 0);
    s.cancel();
    EXPECT_EQ(s.chkCancel, 1);

    DirectoryChooser bad;
    bad.allowCreate();
    bad.DirName = "Q:\\lectures";
    bad.activate();
    EXPECT_EQ(sink.messages,
              (Strings {"Error - Drive Letter wrong - Q:\\lectures/", "Directory Not Found Q:\\lectures/"}));
    EXPECT_EQ(bad.DirName + bad.currentDir + bad.rootDir, "///");
}

TEST_F(PreferencesAndChooser, ChooserCreatesTheStartingPathWhenAllowedAndMakesNewDirectories)
{
    DirectoryChooser s(&app.hooks);
    const std::string start = dir.dir() + "not/yet";
    s.DirName = start;
    s.activate();  // creation not allowed
    EXPECT_FALSE(fs::exists(start));
    EXPECT_EQ(s.DirName, "/");
    s.allowCreate();
    s.DirName = start;
    s.activate();
    EXPECT_TRUE(fs::is_directory(start));
    EXPECT_EQ(s.currentDir, start + "/");

    std::vector<std::string> asked;
    const auto makeDir = [&](const std::string& typed) {
        app.hooks.inputBox = [&](const std::string& prompt, const std::string& title, std::string& answer) {
            asked.push_back(title + ": " + prompt + " [" + answer + "]");
            answer = typed;
            return true;
        };
        s.makeDirectory();
    };
    makeDir(start + "/made ");
    EXPECT_EQ(asked, Strings {"Creating Directory: Enter New Directory [" + start + "/]"});
    EXPECT_EQ(s.DirName, start + "/made/");
    makeDir("   ");
    EXPECT_EQ(s.DirName, start + "/made/");
    makeDir("physics1");  // a bare name goes inside the highlighted folder
    EXPECT_TRUE(fs::is_directory(start + "/made/physics1"));
    EXPECT_EQ(s.DirName, start + "/made/physics1/");
}

}  // namespace
