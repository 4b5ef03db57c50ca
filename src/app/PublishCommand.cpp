// pellucor publish: fill the detailed form from options and/or a settings
// file, publish unattended, run the batch scripts and wait for "All Done".
#include "app/Commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>

#include <iostream>

#include "app/PublishForm.h"
#include "app/PathVars.h"
#include "app/Preferences.h"
#include "core/TavUtils.h"

namespace pellucor {

int RunPublishCommand(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Publish a lecture unattended: for disk (default) and/or the web, then run the merge script and wait "
        "until it reports All Done.");
    parser.addHelpOption();
    parser.addPositionalArgument("lecture", "Lecture directory (slides, titles, events files and media).");
    const QCommandLineOption som("som", "Settings file (*.som) of control=value lines, applied first.", "file");
    const QCommandLineOption disk("disk", "Publish for disk into DIR (default: the HD/CD output preference).", "dir");
    const QCommandLineOption web("web", "Publish for the web into DIR.", "dir");
    const QCommandLineOption url("url", "Ultimate web URL of the lecture (web publish).", "url");
    const QCommandLineOption stream("stream", "Streaming URL; turns streaming on.", "url");
    const QCommandLineOption style("style", "Style directory.", "dir");
    const QCommandLineOption media("media", "Media directory (default: the lecture directory).", "dir");
    const QCommandLineOption name("name", "Lecture name (default: the directory's last component).", "name");
    const QCommandLineOption noRun("no-autostart", "Write process.bat but do not run it.");
    const QCommandLineOption quiet("quiet", "Print only the result.");
    for (const auto& o : {som, disk, web, url, stream, style, media, name, noRun, quiet})
        parser.addOption(o);
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::cerr << "pellucor publish: give exactly one lecture directory (see --help)\n";
        return 2;
    }

    Tav_SetUnattended(true);
    Preferences prefs;
    prefs.Form_Load();
    PublishForm form(&prefs);
    form.Form_Load();
    form.chkAuto = 0;

    const std::string lecDir = CommandLineDir(parser.positionalArguments().front());
    if (!Tav_ChkDir(lecDir)) {
        std::cerr << "pellucor publish: " << lecDir << " is not a directory\n";
        return 1;
    }
    form.SetLectureDir(lecDir);
    const std::string lecName = SplitLectureDir(lecDir).name;
    form.TextName = lecName.empty() ? "media" : lecName;
    form.TextStyle = prefs.Get("prfStyle");
    form.optCD = 1;
    form.optWeb = 0;
    form.chkStream = 0;

    if (parser.isSet(som) && !form.LoadSettingsFile(parser.value(som).toStdString())) {
        std::cerr << "pellucor publish: unable to open " << parser.value(som).toStdString() << "\n";
        return 1;
    }
    if (parser.isSet(web)) {
        form.optWeb = 1;
        form.optCD = parser.isSet(disk) ? 1 : 0;
        form.TextWebDir = CommandLineDir(parser.value(web));
    }
    if (parser.isSet(disk)) {
        form.optCD = 1;
        form.TextCDDir = CommandLineDir(parser.value(disk));
    }
    if (parser.isSet(url)) {
        std::string u = parser.value(url).toStdString();
        if (!u.empty() && u.back() != '/')
            u += '/';
        form.TextWebURL = u;
    }
    if (parser.isSet(stream)) {
        form.chkStream = 1;
        form.TextStream = parser.value(stream).toStdString();
    }
    if (parser.isSet(style))
        form.TextStyle = CommandLineDir(parser.value(style));
    if (parser.isSet(media))
        form.TextMedia = CommandLineDir(parser.value(media));
    if (parser.isSet(name))
        form.TextName = parser.value(name).toStdString();
    if (parser.isSet(noRun))
        form.chkAutoStart = 0;
    form.optCD_Click();
    form.optWeb_Click();

    const bool verbose = !parser.isSet(quiet);
    QObject::connect(&form, &PublishForm::statusChanged, [&](const QString& text, uint) {
        if (verbose)
            std::cout << "  " << text.toStdString() << std::endl;
    });

    // Nobody watches a status line here: follow the script's log more
    // often than the window's once a second (still two successive readings).
    form.logPoller.setInterval(200);

    std::string msg;
    if (!form.DoStart(msg)) {
        std::cerr << "pellucor publish: " << msg << "\n";
        return 1;
    }
    if (form.logPoller.isActive()) {
        QEventLoop loop;
        QObject::connect(&form, &PublishForm::publishFinished, &loop, &QEventLoop::quit);
        if (form.logPoller.isActive())
            loop.exec();
    }
    if (!form.LastRunSucceeded()) {
        std::cerr << "pellucor publish: " << form.statusLine << "\n";
        return 1;
    }
    if (form.optCD)
        std::cout << "Published for disk: " << Tav_DirSlash(form.TextCDDir) << "index.htm" << std::endl;
    if (form.optWeb)
        std::cout << "Published for the web: " << Tav_DirSlash(form.TextWebDir) << "index.htm" << std::endl;
    return 0;
}

}  // namespace pellucor
