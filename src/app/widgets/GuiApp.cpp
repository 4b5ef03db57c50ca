// The windowed program: one application context, a view for each window,
// the dialogs behind the models' hooks, and the first window chosen at
// start-up. "--screenshot DIR" saves a picture of each window and quits.
#include "app/Commands.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QTimer>

#include <iostream>
#include <memory>

#include "app/AppContext.h"
#include "app/Form1.h"
#include "app/Prefs2.h"
#include "app/SelDir.h"
#include "app/widgets/AboutBox.h"
#include "app/widgets/Form1View.h"
#include "app/widgets/Form2View.h"
#include "app/widgets/GuiMessageSink.h"
#include "app/widgets/Prefs2View.h"
#include "app/widgets/SelDirDialog.h"
#include "app/widgets/ToolWindows.h"

namespace {
void installDialogs(FrontEndHooks& hooks)
{
    hooks.chooseDirectory = [&hooks](const std::string& title, std::string& dir, bool allowCreate) {
        return SelDirDialog::Choose(QApplication::activeWindow(), &hooks, title, dir, allowCreate);
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

int screenshots(Form1View& f1, Form2View& f2, Prefs2View& prefs, const QString& dir)
{
    QDir().mkpath(dir);
    SelDir chooser;
    chooser.Allow_Create();
    chooser.Caption = "Select Disk Publish Directory";
    chooser.DirName = QDir::homePath().toStdString();  // an existing one: nothing is created
    SelDirDialog selDir(&chooser);
    AboutBox about;
    bool ok = save(&f2, dir, "form2-main") && save(&f1, dir, "form1-detail");
    ok = save(&prefs, dir, "prefs2") && ok;
    ok = save(&selDir, dir, "seldir") && ok;
    ok = save(&about, dir, "about") && ok;
    return ok ? 0 : 1;
}
}  // namespace

int RunGui(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pellucor");
    QCommandLineParser parser;
    parser.setApplicationDescription("Pellucor: publish lectures whose slides change in step with the recording.");
    parser.addHelpOption();
    const QCommandLineOption shot("screenshot", "Save a picture of each window into DIR and quit.", "dir");
    parser.addOption(shot);
    parser.process(app);
    const bool screenshotMode = parser.isSet(shot);

    // Screenshots run unattended: no dialog may wait for a click.
    GuiMessageSink sink;
    if (!screenshotMode)
        Tav_SetMessageSink(&sink);

    AppContext context;
    if (!screenshotMode)
        installDialogs(context.hooks);
    Form1View f1(&context.form1());
    Form2View f2(&context.form2());
    Prefs2View prefs(&context.prefs(), &f2);
    std::unique_ptr<ToolWindows> tools;
    if (!screenshotMode)
        tools = std::make_unique<ToolWindows>(context, &f2);

    Form1& detail = context.form1();
    Form2& main = context.form2();
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
    QObject::connect(&main, &Form2::showDetailRequested, &f1, showDetail);
    QObject::connect(&detail, &Form1::lessDetailRequested, &f2, showMain);
    QObject::connect(&main, &Form2::preferencesRequested, &prefs, &QDialog::show);
    QObject::connect(&detail, &Form1::preferencesRequested, &prefs, &QDialog::show);
    auto about = [&] { AboutBox(QApplication::activeWindow()).exec(); };
    QObject::connect(&main, &Form2::aboutRequested, &f2, about);
    QObject::connect(&detail, &Form1::aboutRequested, &f1, about);
    QObject::connect(&main, &Form2::exitRequested, &app, &QApplication::quit);
    QObject::connect(&detail, &Form1::exitRequested, &app, &QApplication::quit);

    const Form2::StartWindow first = context.Start(false);
    f1.refresh();
    f2.refresh();
    if (screenshotMode)
        return screenshots(f1, f2, prefs, parser.value(shot));

    switch (first) {
    case Form2::StartWindow::Detail:
        showDetail();
        break;
    case Form2::StartWindow::Server:
        if (context.hooks.serverWindow) {
            context.hooks.serverWindow();
            break;
        }
        [[fallthrough]];
    case Form2::StartWindow::Main:
        showMain();
        break;
    }
    return app.exec();
}
