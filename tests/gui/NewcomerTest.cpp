// The windows as a newcomer meets them, on a 1920x1080 virtual display with
// a window manager at twice the usual scale (QT_SCALE_FACTOR=2, set by the
// test): every window fits the screen, a new lecture goes from "Select
// PowerPoint" to its slide images through the main window's buttons, the
// upload window against a stopped server says so and asks nothing, and
// "Test" without a browser shows the page's path.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <map>
#include <set>

#include "FakePresentationApp.h"
#include "QtTestApp.h"
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "app/MainWindowSlideImport.h"
#include "app/Preferences.h"
#include "app/PublishForm.h"
#include "app/widgets/MainWindowView.h"
#include "app/widgets/PublishFormView.h"
#include "gui/GuiWindows.h"
#include "import/SlideExporter.h"

namespace pellucor {

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

PELLUCOR_QT_X_TEST_APP();

class Newcomer : public ::testing::Test {
protected:
    TempDir root;
    RecordingMessageSink sink;
    std::string lecture = root.dir() + "talk/";
    std::unique_ptr<GuiWindows> windows;

    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
        ASSERT_EQ(qgetenv("QT_SCALE_FACTOR"), "2");
        fs::create_directories(lecture);
        windows = std::make_unique<GuiWindows>(QString::fromStdString(root.file("prefs.ini")));
        context().prefs().Form_Load();
        context().prefs().Set("prfStyle", PELLUCOR_STYLE_DIR);
        windows->ShowFirst(windows->Load());
        context().mainWindow().SetLectureDir(lecture);
    }
    AppContext& context() { return windows->context(); }
    MainWindowView& mainView() { return windows->mainWindowView(); }
};

// The room a window needs against the screen it is on: its least size and
// the size it was opened at.
std::string tooBig(QWidget* w)
{
    const QSize screen = w->screen()->availableGeometry().size();
    const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
    const QSize opened = w->frameGeometry().size();
    if (least.width() <= screen.width() && least.height() <= screen.height() && opened.width() <= screen.width()
        && opened.height() <= screen.height())
        return {};
    auto text = [](QSize s) { return std::to_string(s.width()) + "x" + std::to_string(s.height()); };
    return w->windowTitle().toStdString() + " needs " + text(least) + ", opened at " + text(opened) + " on "
        + text(screen);
}

TEST_F(Newcomer, EveryWindowFitsTheScreenAndShrinksToIt)
{
    std::map<QWidget*, std::string> seen;  // window -> its title
    std::vector<std::string> faults;
    // Every window that appears (modal ones too) is measured once it has
    // been on screen a moment, then closed, except the two main windows.
    QTimer watch;
    std::map<QWidget*, int> ticks;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || w->windowType() == Qt::ToolTip || w->windowType() == Qt::Popup || seen.count(w)
                || ++ticks[w] < 5)
                continue;
            seen[w] = w->windowTitle().toStdString();
            if (const std::string fault = tooBig(w); !fault.empty())
                faults.push_back(fault);
            if (w != &mainView() && w != static_cast<QWidget*>(&windows->publishFormView()))
                w->close();
        }
    });
    watch.start(40);
    auto settle = [] {
        for (int i = 0; i < 15; ++i)
            QTest::qWait(40);
    };
    FrontEndHooks& hooks = context().hooks;
    settle();
    windows->ShowDetail();
    settle();
    context().mainWindow().mnuPreferences_Click();
    context().mainWindow().mnuAbout_Click();
    settle();
    std::string dir = lecture;
    hooks.ChooseDirectory("Choose a directory", dir, true);
    FtpRequest ftp {lecture, "", "", true};
    hooks.ftpUpload(ftp);
    hooks.timingEditor(lecture);
    hooks.player();
    hooks.encoderSetup();
    settle();
    hooks.converter("", "");
    hooks.slideImport(lecture);
    hooks.recordingSetup(lecture);
    hooks.serverWindow();
    settle();
    std::set<std::string> titles;
    for (const auto& [w, title] : seen)
        titles.insert(title);
    for (const char* title : {"Pellucor Server Edition", "RealPlay", "RealProducer - Live Media Capture",
                              "RealProducer - Offline Encoding", "Pellucor - RuziZE!"})
        EXPECT_TRUE(titles.count(title)) << title;
    EXPECT_GE(seen.size(), 12u);
    EXPECT_TRUE(faults.empty()) << ::testing::PrintToString(faults);
}

TEST_F(Newcomer, ANewLectureGoesFromSelectPowerPointToItsSlideImages)
{
    FakeAppLog log;
    log.decks.push_back({"/decks/talk.pptx", FakeDeck {{"Welcome", "Timing", "Thanks"}}});
    SlideExporter exporter {[&log] { return std::make_unique<FakePresentationApp>(&log); }};
    MainWindowSlideImport importer(context().mainWindow(), &exporter);
    context().hooks.slideImporter = &importer;
    context().hooks.choosePresentation = [](std::string& p) {
        p = "/decks/talk.pptx";
        return true;
    };
    auto* select = findWidget<QPushButton>(mainView(), "cmdSelectPPT");
    auto* convert = findWidget<QPushButton>(mainView(), "cmdExport");
    ASSERT_TRUE(select && convert);
    EXPECT_FALSE(convert->isEnabled());
    QTest::mouseClick(select, Qt::LeftButton);
    ASSERT_TRUE(convert->isEnabled()) << "Convert stays grey after Select PowerPoint";
    QTest::mouseClick(convert, Qt::LeftButton);
    for (int i = 0; i < 200 && context().mainWindow().busy; ++i)
        QTest::qWait(50);
    for (const char* image : {"img001.gif", "img002.gif", "img003.gif"})
        EXPECT_TRUE(fs::exists(lecture + image)) << image;
    EXPECT_EQ(context().mainWindow().ImageCount, 3);
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();  // no mismatch warning on a new lecture
}

TEST_F(Newcomer, TheUploadWindowAgainstAStoppedServerShowsTheFailureAndAsksNothing)
{
    QTcpServer probe;  // a port where nothing listens
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const std::string host = "127.0.0.1:" + std::to_string(probe.serverPort());
    probe.close();
    QLineEdit *status = nullptr, *path = nullptr;
    std::string shown;
    QTimer::singleShot(500, [&] {
        QWidget* w = QApplication::activeModalWidget();
        ASSERT_NE(w, nullptr);
        status = findWidget<QLineEdit>(*w, "txtStatus");
        path = findWidget<QLineEdit>(*w, "txtFTPPath");
        QTest::keyClicks(findWidget<QLineEdit>(*w, "txtPass"), "secret");
        path->setText("/physics1");
        emit path->textEdited("/physics1");
        QTest::mouseClick(findWidget<QPushButton>(*w, "cmdBrowse"), Qt::LeftButton);
        shown = status->text().toStdString() + " | " + path->text().toStdString();
        QTest::mouseClick(findWidget<QPushButton>(*w, "cmdClose"), Qt::LeftButton);
    });
    FtpRequest request {lecture, "bob", host, true};
    context().hooks.ftpUpload(request);
    EXPECT_TRUE(holds(shown, "Cannot connect to " + host + ": Connection refused"));
    EXPECT_TRUE(holds(shown, " | /physics1"));
    EXPECT_FALSE(holds(shown, "Directory listed"));
    EXPECT_TRUE(sink.questions.empty()) << sink.questions.front();
}

// "Test" where no browser can be opened (xdg-open exits 4): the page's
// path is shown, and Copy puts it on the clipboard.
TEST_F(Newcomer, TestWithoutABrowserShowsThePagesPathToCopy)
{
    writeFile(root.file("bin/xdg-open"), "#!/bin/sh\nexit 4\n");
    fs::permissions(root.file("bin/xdg-open"), fs::perms::owner_all);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(root.dir() + "bin:") + path);
    context().hooks.OpenPage("file://" + lecture + "synccd/index.htm");
    QLineEdit* shown = nullptr;
    for (int i = 0; i < 100 && !shown; ++i) {
        QTest::qWait(50);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !shown)
                shown = w->findChild<QLineEdit*>("pagePath");
    }
    qputenv("PATH", path);
    ASSERT_NE(shown, nullptr) << "nothing shown";
    EXPECT_EQ(shown->text().toStdString(), lecture + "synccd/index.htm");
    QWidget* dialog = shown->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    auto* copy = findWidget<QPushButton>(*dialog, "cmdCopy");
    const std::string page = lecture + "synccd/index.htm";
    auto copied = [&] { return QGuiApplication::clipboard()->text().toStdString() == page; };
    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_EQ(copy->text(), "Copied");
    // The display server hands the clipboard over on its own time; another
    // client may take the selection in between (a loaded machine's display
    // is shared with its window manager), and a user would then copy again.
    if (!QTest::qWaitFor(copied, 3000) && !QGuiApplication::clipboard()->ownsClipboard()) {
        QTest::mouseClick(copy, Qt::LeftButton);
        (void)QTest::qWaitFor(copied, 3000);
    }
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), page)
        << "clipboard owned here: " << QGuiApplication::clipboard()->ownsClipboard();
    shown->window()->close();
}

}  // namespace

}  // namespace pellucor
