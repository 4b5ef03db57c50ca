// The preferences: defaults, stored values, Cancel and the presets, and
// the first run's lecture folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "app/Preferences.h"

namespace pellucor {

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

TEST_F(Prefs, FirstRunReadsBuiltInDefaultsAndSaveStoresTheFields)
{
    Preferences p(ini());
    p.Form_Load();
    EXPECT_EQ(p.Get("prfRmmerge"), "None");
    EXPECT_EQ(p.Get("prfOutRoot"), "${lecdir}/synccd/");
    EXPECT_EQ(p.Get("prfMore"), "");
    p.Set("prfMore", "yes");
    QString status;
    QObject::connect(&p, &Preferences::statusText, [&](const QString& s) { status = s; });
    p.cmdSave_Click();
    EXPECT_EQ(status, "Preferences saved");
    EXPECT_EQ(stored("prfMore"), "yes");
    EXPECT_EQ(readFile(dir.file("prefs.ini")).find("[Pref]"), 0u);
}

TEST_F(Prefs, CancelRestoresStoredValuesNotDefaults)
{
    Preferences p(ini());
    p.Form_Load();
    p.Set("prfHttp", "http://mine/");
    p.DoSave();
    p.Set("prfHttp", "http://edited/");
    p.Command1_Click();
    EXPECT_EQ(p.Get("prfHttp"), "http://mine/");
    p.cmdDefault_Click();
    EXPECT_EQ(p.Get("prfHttp"), "http://lectures.example.org/pellucor/lectures/${lecname}/");
    p.Command1_Click();
    EXPECT_EQ(p.Get("prfHttp"), "http://mine/");
    p.cmdDefault_Click();
    p.cmdSave_Click();
    EXPECT_EQ(stored("prfHttp"), "http://lectures.example.org/pellucor/lectures/${lecname}/");
}

TEST_F(Prefs, BlanksAreTrimmedOnDeactivationAndPresetsSetTheFourTools)
{
    Preferences p(ini());
    p.Form_Load();
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
    EXPECT_EQ(stored("prfWebHost"), "");  // presets store nothing
}

TEST_F(Prefs, FirstRunCreatesTheDefaultLectureFolderOnce)
{
    const QByteArray realHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(dir.dir() + "home"));
    namespace fs = std::filesystem;
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
    // From then on the folder is the user's business.
    fs::remove(folder);
    Preferences again(ini());
    EXPECT_FALSE(again.PrepareFirstRun());
    EXPECT_FALSE(fs::exists(folder));
    qputenv("HOME", realHome);
}

}  // namespace

}  // namespace pellucor
