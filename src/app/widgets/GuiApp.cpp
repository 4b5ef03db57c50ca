// The windowed program: one application context, a view for each window,
// the dialogs behind the models' hooks, and the first window chosen at
// start-up. "--screenshot DIR" saves a picture of each window and quits;
// "--automation" also offers the automation object on the session bus.
#include "app/Commands.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QInputDialog>
#include <QTimer>

#include <iostream>
#include <memory>

#include "app/AppContext.h"
#include "app/AutomationExport.h"
#include "app/PublishForm.h"
#include "app/Preferences.h"
#include "app/DirectoryChooser.h"
#include "app/widgets/AboutBox.h"
#include "app/widgets/PublishFormView.h"
#include "app/widgets/MainWindowView.h"
#include "app/widgets/GuiMessageSink.h"
#include "app/widgets/PreferencesView.h"
#include "app/widgets/DirectoryChooserDialog.h"
#include "app/widgets/ToolWindows.h"

namespace pellucor {

namespace {
void installDialogs(FrontEndHooks& hooks)
{
    hooks.chooseDirectory = [&hooks](const std::string& title, std::string& dir, bool allowCreate) {
        return DirectoryChooserDialog::Choose(QApplication::activeWindow(), &hooks, title, dir, allowCreate);
    };
    hooks.inputBox = [](const std::string& prompt, const std::string& title, std::string& answer) {
        bool ok = false;
        const QString text = QInputDialog::getText(QApplication::activeWindow(), QString::fromStdString(title),
                                                   QString::fromStdString(prompt), QLineEdit::Normal,
                                                   QString::fromStdString(answer), &ok);
        if (ok)
            answer = text.toStdString();
        return ok;
    };
    hooks.choosePresentation = [](std::string& path) {
        const QString f = QFileDialog::getOpenFileName(
            QApplication::activeWindow(), QObject::tr("Select PowerPoint"), QString(),
            QObject::tr("PowerPoint Files (*.ppt *.pptx *.odp);;All Files (*)"));
        if (f.isEmpty())
            return false;
        path = f.toStdString();
        return true;
    };
}

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

int screenshots(PublishFormView& f1, MainWindowView& f2, PreferencesView& prefs, const QString& dir)
{
    QDir().mkpath(dir);
    DirectoryChooser chooser;
    chooser.Allow_Create();
    chooser.Caption = "Select Disk Publish Directory";
    chooser.DirName = QDir::homePath().toStdString();  // an existing one: nothing is created
    DirectoryChooserDialog chooserDialog(&chooser);
    AboutBox about;
    bool ok = save(&f2, dir, "main-window") && save(&f1, dir, "publish-form");
    ok = save(&prefs, dir, "preferences") && ok;
    ok = save(&chooserDialog, dir, "directory-chooser") && ok;
    ok = save(&about, dir, "about") && ok;
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
        Tav_SetMessageSink(&sink);

    AppContext context;
    if (!screenshotMode)
        installDialogs(context.hooks);
    PublishFormView f1(&context.publishForm());
    MainWindowView f2(&context.mainWindow());
    PreferencesView prefs(&context.prefs(), &f2);
    std::unique_ptr<ToolWindows> tools;
    if (!screenshotMode)
        tools = std::make_unique<ToolWindows>(context, &f2);

    PublishForm& detail = context.publishForm();
    MainWindow& main = context.mainWindow();
    auto showDetail = [&] {
        f2.hide();
        f1.refresh();
        f1.show();
    };
    auto showMain = [&] {
        f1.hide();
        f2.refresh();
        f2.show();
    };
    QObject::connect(&main, &MainWindow::showDetailRequested, &f1, showDetail);
    QObject::connect(&detail, &PublishForm::lessDetailRequested, &f2, showMain);
    QObject::connect(&main, &MainWindow::preferencesRequested, &prefs, &QDialog::show);
    QObject::connect(&detail, &PublishForm::preferencesRequested, &prefs, &QDialog::show);
    auto about = [&] { AboutBox(QApplication::activeWindow()).exec(); };
    QObject::connect(&main, &MainWindow::aboutRequested, &f2, about);
    QObject::connect(&detail, &PublishForm::aboutRequested, &f1, about);
    QObject::connect(&main, &MainWindow::exitRequested, &app, &QApplication::quit);
    QObject::connect(&detail, &PublishForm::exitRequested, &app, &QApplication::quit);

    context.prefs().PrepareFirstRun();
    const MainWindow::StartWindow first = context.Start(false);
    f1.refresh();
    f2.refresh();
    if (screenshotMode)
        return screenshots(f1, f2, prefs, parser.value(shot));

    std::unique_ptr<AutomationExport> automation;
    if (parser.isSet(automationOption)) {
        automation = std::make_unique<AutomationExport>(&context);
        QString err;
        if (!automation->Register(err)) {
            std::cerr << "pellucor: automation not offered: " << err.toStdString() << std::endl;
            automation.reset();
        }
    }

    switch (first) {
    case MainWindow::StartWindow::Detail:
        showDetail();
        break;
    case MainWindow::StartWindow::Server:
        if (context.hooks.serverWindow) {
            context.hooks.serverWindow();
            break;
        }
        [[fallthrough]];
    case MainWindow::StartWindow::Main:
        showMain();
        break;
    }
    return app.exec();
}

}  // namespace pellucor
