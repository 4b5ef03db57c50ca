// The app's real windows on an X display (under xvfb-run), driven by their
// buttons and keys.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <QTableWidget>

#include "../AppFixture.h"
#include "QtTestApp.h"
#include "app/DirectoryChooser.h"
#include "app/widgets/DirectoryChooserDialog.h"
#include "app/widgets/MainWindowView.h"
#include "app/widgets/PreferencesView.h"
#include "app/widgets/PublishFormView.h"
#include "core/CaptionFiles.h"
#include "core/CaptionReview.h"
#include "editing/CaptionEditor.h"
#include "editing/widgets/CaptionEditorView.h"

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;
namespace fs = std::filesystem;

PELLUCOR_QT_X_TEST_APP();

class AppWindows : public AppFixture {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under xvfb-run";
        AppFixture::SetUp();
        app.Start();
        mainWindow.SetLectureDir(lec);
    }
};

TEST_F(AppWindows, PreferencesClosedAnyWayButSaveDropTheEdits)
{
    Preferences& prefs = app.prefs();
    prefs.Set("prfHttp", "http://stored.example.org/");
    prefs.DoSave();
    PreferencesView view(&prefs);
    auto* http = findWidget<QLineEdit>(view, "prfHttp");
    ASSERT_TRUE(http);
    auto editAndClose = [&](const char* typed, auto close) {
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        http->selectAll();
        QTest::keyClicks(http, typed);
        EXPECT_EQ(prefs.Get("prfHttp"), typed);  // in effect while the window is open
        close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !view.isVisible(); }, 2000));
    };
    editAndClose("http://typed.example.org/", [&] { QTest::keyClick(http, Qt::Key_Escape); });  // Esc
    EXPECT_EQ(prefs.Get("prfHttp"), "http://stored.example.org/");
    editAndClose("http://again.example.org/", [&] { view.close(); });  // the window manager's close request
    EXPECT_EQ(prefs.Get("prfHttp"), "http://stored.example.org/");
    view.show();
    EXPECT_EQ(http->text(), "http://stored.example.org/");  // reopened on the stored value
    // "Save" keeps them.
    editAndClose("http://saved.example.org/",
                 [&] { QTest::mouseClick(view.findChild<QPushButton*>("cmdSave"), Qt::LeftButton); });
    EXPECT_EQ(prefs.Get("prfHttp") + " " + stored("prfHttp"), "http://saved.example.org/ http://saved.example.org/");

    // A Yes/No preference is a box to tick, shown as stored.
    auto* video = findWidget<QCheckBox>(view, "prfVideo");
    auto* ocr = findWidget<QCheckBox>(view, "prfSlideTextOcr");
    ASSERT_TRUE(video && ocr);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_FALSE(video->isChecked());
    EXPECT_TRUE(ocr->isChecked());  // "Yes" by default
    QTest::mouseClick(video, Qt::LeftButton);
    QTest::mouseClick(view.findChild<QPushButton*>("cmdSave"), Qt::LeftButton);
    EXPECT_EQ(stored("prfVideo"), "Yes");
}

TEST_F(AppWindows, OpeningAnotherLectureClearsBothStatusLines)
{
    MainWindowView main(&mainWindow);
    PublishFormView detail(&publishForm);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    publishForm.SetStatus("Process:All Done", kColourWhite);
    mainWindow.progressPercent = 100;
    emit mainWindow.progressChanged(100);
    auto* bar = findWidget<QProgressBar>(main, "publishProgress");
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->value(), 100);
    auto* mainStatus = findWidget<QLabel>(main, "lblStatus");
    auto* detailStatus = findWidget<QLabel>(detail, "Label3");
    ASSERT_TRUE(mainStatus && detailStatus);
    EXPECT_EQ(mainStatus->text(), "Process:All Done");

    const std::string other = dir.dir() + "week2/";
    fs::create_directories(other);
    app.hooks.chooseDirectory = [&](const std::string&, std::string& d, bool) { return !(d = other).empty(); };
    QTest::mouseClick(findWidget<QPushButton>(main, "cmdOpenLecture"), Qt::LeftButton);
    EXPECT_EQ(findWidget<QLabel>(main, "lblDirectory")->text().toStdString(), other);
    EXPECT_EQ(mainStatus->text(), "");
    EXPECT_EQ(detailStatus->text(), "");
    EXPECT_EQ(bar->value(), 0) << "the bar still tells of the previous lecture";
}

// The publish's guess of the time left reaches both windows' bars beside
// the percent, and goes once the publish has no guess (or is over); the
// lecture as one video's bar follows it.
TEST_F(AppWindows, BothBarsTellTheTimeLeftOfThePublish)
{
    MainWindowView main(&mainWindow);
    PublishFormView detail(&publishForm);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    auto* mainBar = findWidget<QProgressBar>(main, "publishProgress");
    auto* detailBar = findWidget<QProgressBar>(detail, "publishProgress");
    ASSERT_TRUE(mainBar && detailBar);
    PublishSession& session = publishForm.Session();
    emit session.progressChanged(42);
    emit session.timeLeftChanged("about 5 min left");
    for (QProgressBar* bar : {mainBar, detailBar}) {
        EXPECT_EQ(bar->value(), 42);
        EXPECT_EQ(bar->text(), "42%, about 5 min left");
    }
    emit session.timeLeftChanged("");
    for (QProgressBar* bar : {mainBar, detailBar})
        EXPECT_EQ(bar->text(), "42%");
    // Once the publication is in place the bars start again for the
    // lecture as one video.
    emit session.progressChanged(100);
    emit session.videoProgressChanged(30, "about 2 min left");
    for (QProgressBar* bar : {mainBar, detailBar}) {
        EXPECT_EQ(bar->value(), 30);
        EXPECT_EQ(bar->text(), "30%, about 2 min left");
    }
}

TEST_F(AppWindows, DetailedFormGroupsThePublishButtonsUnderDiskAndWeb)
{
    PublishFormView detail(&publishForm);
    detail.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&detail));
    for (const auto& [group, title, buttons, caption] :
         {std::tuple {"grpDisk", "Disk", Strings {"cmdPubDisk", "cmdTestCD"}, "Publish "},
          std::tuple {"grpWeb", "Web", Strings {"cmdPubWeb", "cmdTestWeb", "cmdFtp"}, "Publish"}}) {
        auto* box = findWidget<QGroupBox>(detail, group);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->title(), title);
        EXPECT_TRUE(box->isVisible());
        for (const std::string& name : buttons)
            EXPECT_TRUE(box->findChild<QPushButton*>(QString::fromStdString(name))) << name << " is not in " << title;
        auto* publish = box->findChild<QPushButton*>(QString::fromStdString(buttons[0]));
        ASSERT_TRUE(publish);
        EXPECT_EQ(publish->text(), caption);
        EXPECT_FALSE(publish->toolTip().isEmpty());
    }
    EXPECT_NE(findWidget<QPushButton>(detail, "cmdPubDisk")->toolTip(),
              findWidget<QPushButton>(detail, "cmdPubWeb")->toolTip());
    // Clearing "Hard Disk/CD" (a click on its box) disables the disk group.
    QWidget* optCD = findWidget<QWidget>(detail, "optCD");
    ASSERT_TRUE(optCD);
    QTest::mouseClick(optCD, Qt::LeftButton, {}, QPoint(8, optCD->height() / 2));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !findWidget<QPushButton>(detail, "cmdPubDisk")->isEnabled(); }, 2000));
    EXPECT_TRUE(findWidget<QPushButton>(detail, "cmdPubWeb")->isEnabled());
}

// Automatic captions as the transcriber writes them, with the confidences
// of their words: three doubtful ones (below 60%) in cues 1 and 3.
const char* const kReviewCaptions
    = "WEBVTT\r\n\r\nNOTE Automatic captions: made by speech recognition (PocketSphinx, en-us), not checked by a "
      "person\r\nLanguage: en\r\n"
      "\r\nNOTE Confidence: 95 40 97 99\r\n\r\n00:00:01.000 --> 00:00:03.000\r\nWelcome to the lecture\r\n"
      "\r\nNOTE Confidence: 99 99 99 99\r\n\r\n00:00:03.000 --> 00:00:05.000\r\non waves and tides\r\n"
      "\r\nNOTE Confidence: 30 99 50 99\r\n\r\n00:00:06.000 --> 00:00:08.000\r\nthe sea is\r\ndeep\r\n";

TEST_F(AppWindows, CaptionReviewMovesThroughTheDoubtfulWordsAndSavesTheCaptionsReviewed)
{
    const std::string vtt = lec + "talk1.vtt";
    ASSERT_TRUE(WriteMachineCaptions(vtt, kReviewCaptions, msg)) << msg;
    CaptionEditor editor;
    ASSERT_TRUE(editor.Open(vtt, lec + "talk1.wav", msg)) << msg;
    std::vector<double> played;
    QObject::connect(&editor, &CaptionEditor::playRequested, [&](const QString&, double s) { played.push_back(s); });
    CaptionEditorView view(editor);
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    QTableWidget* cues = view.Cues();
    auto* reviewed = findWidget<QCheckBox>(view, "chkReviewed");
    ASSERT_TRUE(reviewed);
    auto doubtful = [&](int row) {
        std::vector<int> words;
        for (const QVariant& w : cues->item(row, 2)->data(CaptionEditorView::kDoubtfulRole).toList())
            words.push_back(w.toInt());
        return words;
    };
    // The doubtful words are marked, counted, and named in their cue's tip.
    EXPECT_EQ(doubtful(0), std::vector<int> {1});
    EXPECT_TRUE(doubtful(1).empty());
    EXPECT_EQ(doubtful(2), (std::vector<int> {0, 2}));
    EXPECT_EQ(cues->item(2, 2)->toolTip(), "Doubtful: the, is");
    EXPECT_EQ(view.Review()->text(), "3 doubtful words left, 0% reviewed");
    // The lecturer may say they are reviewed, and take it back.
    QTest::mouseClick(reviewed, Qt::LeftButton);
    EXPECT_TRUE(editor.Reviewed());
    EXPECT_EQ(view.Review()->text(), "Reviewed by a person (3 doubtful words left)");
    QTest::mouseClick(reviewed, Qt::LeftButton);
    EXPECT_FALSE(editor.Reviewed());

    // F8: the first doubtful word, selected in its open cell, played from a
    // second before it; typed over in place.
    auto selectedWord = [&] {
        auto* open = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        return open && cues->isAncestorOf(open) ? open->selectedText().toStdString() : std::string("(no cell open)");
    };
    // (a key pushes the button as a click would, on the next turn of the events)
    auto pressF8 = [&](size_t playsBefore) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F8);
        return QTest::qWaitFor([&] { return played.size() > playsBefore; }, 2000);
    };
    ASSERT_TRUE(pressF8(0));
    EXPECT_EQ(selectedWord(), "to");
    EXPECT_GT(played[0] + 1, 1.0);  // a second before a word within the cue
    EXPECT_LT(played[0] + 1, 3.0);
    QTest::keyClicks(QApplication::focusWidget(), "into");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // taken on the next turn of the events
    EXPECT_TRUE(QTest::qWaitFor([&] { return cues->item(0, 2)->text() == "Welcome into the lecture"; }, 2000));
    EXPECT_EQ(view.Review()->text(), "2 doubtful words left, 33% reviewed");
    // The next ones are in the third cue; then none is left.
    ASSERT_TRUE(pressF8(1));
    EXPECT_EQ(selectedWord(), "the");
    ASSERT_TRUE(pressF8(2));
    EXPECT_EQ(selectedWord(), "is");
    EXPECT_GE(played[2], 5.0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(doubtful(2).empty());
    EXPECT_EQ(view.Review()->text(), "Reviewed by a person (0 doubtful words left)");
    EXPECT_TRUE(reviewed->isChecked());
    EXPECT_FALSE(pressF8(3));
    EXPECT_EQ(view.Status()->text(), "No doubtful words left");

    // Saved: automatic captions reviewed by a person, never made again.
    for (QPushButton* button : view.findChildren<QPushButton*>())
        if (button->text() == "Save")
            QTest::mouseClick(button, Qt::LeftButton);
    const std::string saved = readFile(vtt);
    const CaptionsKind kind = KindOfCaptions(vtt, saved);
    EXPECT_TRUE(kind.automatic && kind.reviewed) << saved;
    EXPECT_FALSE(IsMachineCaptions(vtt));
    EXPECT_EQ(saved.rfind("WEBVTT\r\n\r\nNOTE Automatic captions: made by speech recognition (PocketSphinx, en-us), "
                          "reviewed by a person\r\nLanguage: en\r\nReviewed: yes\r\n\r\n"
                          "NOTE Confidence: 95+ 40+ 97+ 99+\r\n\r\n00:00:01.000 --> 00:00:03.000\r\nWelcome into",
                          0),
              0u)
        << saved;
    EXPECT_EQ(CueConfidences(saved).size(), 3u);
    EXPECT_EQ(view.Status()->text().toStdString(), "Saved " + vtt + ": captions reviewed by a person");
}

TEST_F(AppWindows, ChooserOpensScrolledToItsDirectory)
{
    // The directory sits below a long list of siblings, far out of the
    // first screenful of the tree.
    const std::string parent = dir.dir() + "courses/";
    for (int i = 0; i < 80; ++i)
        fs::create_directories(parent + "course" + std::to_string(100 + i));
    const std::string target = parent + "course175/lecture3/";
    fs::create_directories(target);
    for (bool allowCreate : {false, true}) {
        DirectoryChooser model;
        if (allowCreate)
            model.allowCreate();
        model.DirName = target;
        DirectoryChooserDialog dialog(&model);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        // The tree fills in the background: once every sibling has come in
        // above it, the directory must be in view.
        const auto* files = dialog.findChild<QFileSystemModel*>();
        ASSERT_NE(files, nullptr);
        const QModelIndex courses = files->index(QString::fromStdString(parent.substr(0, parent.size() - 1)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return files->rowCount(courses) == 80; }, 10000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.CurrentDirVisible(); }, 5000));
        EXPECT_EQ(dialog.CurrentTreeDir().toStdString() + "/", target);
    }
}

}  // namespace
