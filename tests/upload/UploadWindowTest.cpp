// The widget view only binds: typing reaches the model, the model's fields
// reach the widgets, and closing goes through the model.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include "QtTestApp.h"
#include "UploadServer.h"
#include "upload/CurlClient.h"
#include "upload/UploadWindowModel.h"
#include "upload/widgets/UploadWindow.h"

PELLUCOR_QT_TEST_APP();

namespace {
using namespace pellucor;
using namespace pellucor::testing_support;

TEST(UploadWindow, BindsToTheModel)
{
    UploadServer server(ServerKind::PyFtp);
    ASSERT_TRUE(server.started());
    std::filesystem::create_directories(server.onDisk("web"));
    writeFile(server.onDisk("index.htm"), "x");
    CurlClient inet;
    UploadWindowModel model(inet);
    UploadWindow window(model);
    window.show();

    EXPECT_FALSE(findWidget<QPushButton>(window, "cmdMput")->isEnabled());
    EXPECT_FALSE(findWidget<QCheckBox>(window, "chkRemember")->isEnabled());  // no keyring given
    auto* url = findWidget<QLineEdit>(window, "txtFTPURL");
    QTest::keyClicks(url, "web.example.org");
    QTest::keyClicks(findWidget<QLineEdit>(window, "txtPass"), "secret");
    EXPECT_EQ(model.txtFTPURL, "web.example.org");
    auto* protocol = findWidget<QComboBox>(window, "cboProtocol");
    EXPECT_EQ(protocol->currentIndex(), 0);
    protocol->setCurrentIndex(3);
    emit protocol->activated(3);
    EXPECT_EQ(model.txtFTPURL, "sftp://web.example.org");
    EXPECT_EQ(url->text(), "sftp://web.example.org");
    EXPECT_EQ(model.txtPass, "secret");

    url->selectAll();
    QTest::keyClicks(url, QString::fromStdString(server.url()));
    QTest::keyClicks(findWidget<QLineEdit>(window, "txtAccount"), "alice");
    QTest::mouseClick(findWidget<QPushButton>(window, "cmdBrowse"), Qt::LeftButton);
    EXPECT_EQ(findWidget<QLineEdit>(window, "txtFTPPath")->text(), "/");
    EXPECT_EQ(findWidget<QLineEdit>(window, "txtStatus")->text(), "Directory listed.");
    auto* list = findWidget<QListWidget>(window, "lstBox");
    EXPECT_EQ(list->count(), 3);  // index.htm, readonly/ and web/
    EXPECT_TRUE(findWidget<QPushButton>(window, "cmdMput")->isEnabled());
    EXPECT_FALSE(findWidget<QLineEdit>(window, "txtPass")->isEnabled());

    const auto web = list->findItems("web/", Qt::MatchExactly);
    ASSERT_EQ(web.size(), 1);
    list->setCurrentItem(web.front());
    emit list->itemDoubleClicked(web.front());
    EXPECT_EQ(findWidget<QLineEdit>(window, "txtFTPPath")->text(), "/web");

    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(model.LoggedIn());
}

// An SSH server not met before: its key is shown with Accept and Refuse,
// in a window that stays on the screen, and is trusted only on Accept.
TEST(UploadWindow, AnUnknownHostKeyIsAcceptedOrRefusedByItsButtons)
{
    UploadServer server(ServerKind::SftpPassword);
    ASSERT_TRUE(server.started());
    TempDir home;  // no known_hosts
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home.dir()));
    CurlClient inet;
    UploadWindowModel model(inet);
    UploadWindow window(model);
    window.show();
    QTest::keyClicks(findWidget<QLineEdit>(window, "txtFTPURL"), QString::fromStdString(server.url()));
    QTest::keyClicks(findWidget<QLineEdit>(window, "txtAccount"), "alice");
    QTest::keyClicks(findWidget<QLineEdit>(window, "txtPass"), "secret");

    std::vector<std::string> asked;
    QTimer watch;  // answers the question when it comes
    const char* button = nullptr;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !button)
            return;
        asked.push_back(box->text().toStdString());
        std::string buttons;
        for (QAbstractButton* b : box->buttons())
            buttons += b->text().toStdString() + " ";
        EXPECT_EQ(buttons.find("Accept") != std::string::npos && buttons.find("Refuse") != std::string::npos, true)
            << buttons;
        for (QAbstractButton* b : box->buttons())
            if (b->text() == button)
                b->click();
        button = nullptr;
    });
    watch.start(50);
    const auto answer = [&](const char* choice) {
        button = choice;
        QTest::mouseClick(findWidget<QPushButton>(window, "cmdBrowse"), Qt::LeftButton);
    };
    const int screenWidth = window.screen()->availableGeometry().width();
    answer("Refuse");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].find(server.hostKeyFingerprint()) != std::string::npos) << asked[0];
    EXPECT_EQ(asked[0].find("--accept-host-key"), std::string::npos) << "a command-line option told in a window";
    EXPECT_FALSE(model.LoggedIn());
    QApplication::processEvents();
    EXPECT_LE(window.frameGeometry().width(), screenWidth) << "the window runs off the screen";
    EXPECT_LE(window.minimumSizeHint().width(), screenWidth);

    answer("Accept");
    EXPECT_TRUE(model.LoggedIn());
    EXPECT_EQ(findWidget<QLineEdit>(window, "txtStatus")->text(), "Directory listed.");
    window.close();
    qputenv("HOME", oldHome);
}

// Object storage: the endpoint is typed in a field of its own, shown for
// an s3:// server only; the keys come from the environment, so account and
// password are not asked; Upload sends the folder into a version there.
TEST(UploadWindow, UploadsToObjectStorageAtTheEndpointTyped)
{
    UploadServer server(ServerKind::Swift);
    ASSERT_TRUE(server.started());
    qputenv("AWS_ACCESS_KEY_ID", "test:tester");
    qputenv("AWS_SECRET_ACCESS_KEY", "testing");
    TempDir local;
    writeFile(local.path() / "index.htm", "<html>talk</html>");
    CurlClient inet;
    UploadWindowModel model(inet);
    model.txtLocalDir = local.dir();
    UploadWindow window(model);
    window.show();
    auto* endpoint = findWidget<QLineEdit>(window, "txtEndpoint");
    EXPECT_FALSE(endpoint->isVisible()) << "an endpoint asked for FTP";
    QTest::keyClicks(findWidget<QLineEdit>(window, "txtFTPURL"), QString::fromStdString(server.url() + "/window"));
    EXPECT_TRUE(endpoint->isVisible());
    EXPECT_FALSE(findWidget<QLineEdit>(window, "txtAccount")->isEnabled());
    EXPECT_FALSE(findWidget<QLineEdit>(window, "txtPass")->isEnabled());
    QTest::keyClicks(endpoint, server.login().at(1));  // the address "--endpoint" takes
    QTest::mouseClick(findWidget<QPushButton>(window, "cmdBrowse"), Qt::LeftButton);
    EXPECT_EQ(findWidget<QLineEdit>(window, "txtStatus")->text(), "Directory listed.") << model.LastCause();
    EXPECT_FALSE(endpoint->isEnabled());
    QTest::mouseClick(findWidget<QPushButton>(window, "cmdMput"), Qt::LeftButton);
    EXPECT_TRUE(findWidget<QLineEdit>(window, "txtStatus")->text().startsWith("Upload Complete 1 Files/"))
        << model.txtStatus;
    const auto stored = server.objects("window");
    ASSERT_EQ(stored.count("index.htm"), 1u);
    EXPECT_NE(stored.at("index.htm").find("/index.htm"), std::string::npos) << "no entry page into the version";
    window.close();
    qunsetenv("AWS_ACCESS_KEY_ID");
    qunsetenv("AWS_SECRET_ACCESS_KEY");
}

}  // namespace
