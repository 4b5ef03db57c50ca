// The widget view only binds: typing reaches the model, the model's fields
// reach the widgets, and closing goes through the model.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "QtTestApp.h"
#include "ScriptedFtpClient.h"
#include "upload/FtpWindowModel.h"
#include "upload/widgets/FtpWindow.h"

PELLUCOR_QT_TEST_APP();

namespace pellucor {

namespace {

using testing_support::findWidget;

TEST(FtpWindow, BindsToTheModel)
{
    ScriptedFtpClient inet;
    inet.replies["PWD"] = "/home/bob";
    inet.replies["DIR"] = "web/\r\nindex.htm\r\n";
    FtpWindowModel model(inet);
    FtpWindow window(model);
    window.show();

    EXPECT_FALSE(findWidget<QPushButton>(window, "cmdMput")->isEnabled());
    EXPECT_FALSE(findWidget<QCheckBox>(window, "chkRemember")->isEnabled());  // no keyring given
    QTest::keyClicks(findWidget<QLineEdit>(window, "txtFTPURL"), "web.example.org");
    QTest::keyClicks(findWidget<QLineEdit>(window, "txtPass"), "pw");
    EXPECT_EQ(model.txtFTPURL, "web.example.org");
    auto* protocol = findWidget<QComboBox>(window, "cboProtocol");
    EXPECT_EQ(protocol->currentIndex(), 0);
    protocol->setCurrentIndex(3);
    emit protocol->activated(3);
    EXPECT_EQ(model.txtFTPURL, "sftp://web.example.org");
    EXPECT_EQ(findWidget<QLineEdit>(window, "txtFTPURL")->text(), "sftp://web.example.org");
    EXPECT_EQ(model.txtPass, "pw");

    QTest::mouseClick(findWidget<QPushButton>(window, "cmdBrowse"), Qt::LeftButton);
    EXPECT_EQ(inet.url, "sftp://web.example.org");
    EXPECT_EQ(findWidget<QLineEdit>(window, "txtFTPPath")->text(), "/home/bob");
    EXPECT_EQ(findWidget<QLineEdit>(window, "txtStatus")->text(), "Directory listed.");
    EXPECT_EQ(findWidget<QListWidget>(window, "lstBox")->count(), 2);
    EXPECT_TRUE(findWidget<QPushButton>(window, "cmdMput")->isEnabled());
    EXPECT_FALSE(findWidget<QLineEdit>(window, "txtPass")->isEnabled());

    auto* list = findWidget<QListWidget>(window, "lstBox");
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
