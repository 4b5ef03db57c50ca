// The widget view only binds: typing reaches the model, the model's fields
// reach the widgets, and closing goes through the model.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "ScriptedFtpClient.h"
#include "upload/FtpWindowModel.h"
#include "upload/widgets/FtpWindow.h"

namespace pellucor {

namespace {

// One application per test, gone before the process exits.
struct Application {
    int argc = 1;
    char name[24] = "upload_widgets_tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
    Application()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    }
};

template <class W> W* child(QWidget& w, const char* name)
{
    W* found = w.findChild<W*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

TEST(FtpWindow, BindsToTheModel)
{
    Application app;
    ScriptedFtpClient inet;
    inet.replies["PWD"] = "/home/bob";
    inet.replies["DIR"] = "web/\r\nindex.htm\r\n";
    FtpWindowModel model(inet);
    FtpWindow window(model);
    window.show();

    EXPECT_FALSE(child<QPushButton>(window, "cmdMput")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(window, "chkRemember")->isEnabled());  // no keyring given
    QTest::keyClicks(child<QLineEdit>(window, "txtFTPURL"), "web.example.org");
    QTest::keyClicks(child<QLineEdit>(window, "txtPass"), "pw");
    EXPECT_EQ(model.txtFTPURL, "web.example.org");
    auto* protocol = child<QComboBox>(window, "cboProtocol");
    EXPECT_EQ(protocol->currentIndex(), 0);
    protocol->setCurrentIndex(3);
    emit protocol->activated(3);
    EXPECT_EQ(model.txtFTPURL, "sftp://web.example.org");
    EXPECT_EQ(child<QLineEdit>(window, "txtFTPURL")->text(), "sftp://web.example.org");

    EXPECT_EQ(model.txtPass, "pw");

    QTest::mouseClick(child<QPushButton>(window, "cmdBrowse"), Qt::LeftButton);
    EXPECT_EQ(inet.url, "sftp://web.example.org");
    EXPECT_EQ(child<QLineEdit>(window, "txtFTPPath")->text(), "/home/bob");
    EXPECT_EQ(child<QLineEdit>(window, "txtStatus")->text(), "Directory listed.");
    EXPECT_EQ(child<QListWidget>(window, "lstBox")->count(), 2);
    EXPECT_TRUE(child<QPushButton>(window, "cmdMput")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(window, "txtPass")->isEnabled());

    auto* list = child<QListWidget>(window, "lstBox");
    list->setCurrentRow(0);
    emit list->itemDoubleClicked(list->item(0));
    EXPECT_EQ(inet.commands[inet.commands.size() - 3], "CD \"web\"");

    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(model.LoggedIn());
    EXPECT_EQ(inet.cancels, 2);  // at the change of protocol, and the idle connection at the close
}

}  // namespace

}  // namespace pellucor
