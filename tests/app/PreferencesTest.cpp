// The preferences: defaults, stored values, Cancel and the presets, and
// the first run's lecture folder. Typing and closing the real window is
// in widgets/AppWindowsTest.cpp.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "app/Preferences.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

class Prefs : public ::testing::Test {
protected:
    TempDir dir;
    QString ini() const { return QString::fromStdString(dir.file("prefs.ini")); }
    // A preference as stored on disk, read by a fresh program.
    std::string stored(const char* key) const
    {
        Preferences again(ini());
        again.Form_Load();
        return again.Get(key);
    }
};

TEST_F(Prefs, SaveStoresCancelRestoresTheStoredValuesAndPresetsStoreNothing)
{
    Preferences p(ini());
    p.Form_Load();
    EXPECT_EQ(p.Get("prfRmmerge") + p.Get("prfMore"), "None");  // the built-in defaults
    p.Set("prfHttp", "http://mine/");
    QString status;
    QObject::connect(&p, &Preferences::statusText, [&](const QString& s) { status = s; });
    p.cmdSave_Click();
    EXPECT_EQ(status, "Preferences saved");
    EXPECT_EQ(readFile(dir.file("prefs.ini")).find("[Pref]"), 0u);
    p.cmdDefault_Click();
    EXPECT_EQ(p.Get("prfHttp"), "http://lectures.example.org/pellucor/lectures/${lecname}/");
    p.Command1_Click();  // Cancel: the stored value, not the default
    EXPECT_EQ(p.Get("prfHttp"), "http://mine/");

    p.Set("prfWebHost", "  host.example.org  ");
    p.Form_Deactivate();
    EXPECT_EQ(p.Get("prfWebHost"), "host.example.org");
    p.makeG2_Click();
    EXPECT_TRUE(holds(p.Get("prfRmmerge"), "rmevents") && holds(p.Get("prfEvents"), "rmevents.dll")
                && holds(p.Get("prfRmcut"), "rmcut"));
    p.makeRPPlus_Click();
    EXPECT_TRUE(holds(p.Get("prfRmmerge"), "rmevents"));
    p.makeRE5_Click();
    EXPECT_TRUE(holds(p.Get("prfRmmerge"), "rmmerge"));
    p.makeBuiltIn_Click();
    EXPECT_EQ(p.Get("prfRmmerge") + p.Get("prfEvent32") + p.Get("prfEvents"), "NoneNone");
    EXPECT_EQ(stored("prfWebHost") + stored("prfHttp"), "http://mine/");
}

TEST_F(Prefs, FirstRunCreatesTheDefaultLectureFolderOnce)
{
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(dir.dir() + "home"));
    fs::create_directories(dir.dir() + "home");
    const std::string folder = dir.dir() + "home/Lectures/";
    EXPECT_EQ(Preferences::DefaultLectureFolder(), folder);
    {
        Preferences p(ini());
        EXPECT_TRUE(p.PrepareFirstRun());
        EXPECT_TRUE(fs::is_directory(folder));
        p.Form_Load();
        EXPECT_EQ(p.Get("prfLectureDir"), folder);
    }
    fs::remove(folder);  // from then on the folder is the user's business
    EXPECT_FALSE(Preferences(ini()).PrepareFirstRun());
    EXPECT_FALSE(fs::exists(folder));
    qputenv("HOME", realHome);
}

}  // namespace

}  // namespace pellucor
