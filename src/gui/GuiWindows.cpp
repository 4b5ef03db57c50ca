#include "gui/GuiWindows.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>

#include "app/PublishForm.h"
#include "app/widgets/AboutBox.h"
#include "app/widgets/DirectoryChooserDialog.h"
#include "app/widgets/MainWindowView.h"
#include "app/widgets/PageNotOpenedDialog.h"
#include "app/widgets/PreferencesView.h"
#include "app/widgets/PublishFormView.h"
#include "app/widgets/SpeechModelDialog.h"
#include "gui/ToolWindows.h"
#include "media/FfmpegMediaOpener.h"

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
    hooks.chooseVideoFile = [](const std::string& title, std::string& path) {
        const QString f = QFileDialog::getSaveFileName(QApplication::activeWindow(), QString::fromStdString(title),
                                                       QString::fromStdString(path), QObject::tr("MP4 Video (*.mp4)"));
        if (f.isEmpty())
            return false;
        path = f.toStdString();
        return true;
    };
    hooks.chooseRecordings = [](const std::string& title, std::vector<std::string>& paths) {
        const QStringList files = QFileDialog::getOpenFileNames(
            QApplication::activeWindow(), QString::fromStdString(title), QString(),
            QObject::tr("Recordings (*.mp4 *.mov *.mkv *.webm *.avi *.rm);;All Files (*)"));
        paths.clear();
        for (const QString& f : files)
            paths.push_back(f.toStdString());
        return !paths.empty();
    };
    hooks.choosePresentation = [](std::string& path) {
        const QString f
            = QFileDialog::getOpenFileName(QApplication::activeWindow(), QObject::tr("Select PowerPoint"), QString(),
                                           QObject::tr("PowerPoint Files (*.ppt *.pptx *.odp);;All Files (*)"));
        if (f.isEmpty())
            return false;
        path = f.toStdString();
        return true;
    };
}

}  // namespace

GuiWindows::GuiWindows(const QString& prefsIni, bool withTools) : context_(prefsIni, FfmpegOpeners())
{
    if (withTools) {
        installDialogs(context_.hooks);
        context_.hooks.openPage = [this](const std::string& page) { pageOpener_.Open(page); };
        QObject::connect(&pageOpener_, &PageOpener::notOpened, &PageNotOpenedDialog::Show);
    }
    formView_ = std::make_unique<PublishFormView>(&context_.publishForm());
    mainView_ = std::make_unique<MainWindowView>(&context_.mainWindow());
    prefsView_ = std::make_unique<PreferencesView>(&context_.prefs(), mainView_.get());
    if (withTools) {
        tools_ = std::make_unique<ToolWindows>(context_, mainView_.get());
        context_.hooks.speechModelInstall = [this] {
            return SpeechModelDialog::Run([this] { return context_.prefs().Snapshot(); }, QApplication::activeWindow());
        };
    }

    PublishForm& detail = context_.publishForm();
    MainWindow& main = context_.mainWindow();
    QObject::connect(&main, &MainWindow::showDetailRequested, formView_.get(), [this] { ShowDetail(); });
    QObject::connect(&detail, &PublishForm::lessDetailRequested, mainView_.get(), [this] { ShowMain(); });
    QObject::connect(&main, &MainWindow::preferencesRequested, prefsView_.get(), &QDialog::show);
    QObject::connect(&detail, &PublishForm::preferencesRequested, prefsView_.get(), &QDialog::show);
    auto about = [] { AboutBox(QApplication::activeWindow()).exec(); };
    QObject::connect(&main, &MainWindow::aboutRequested, mainView_.get(), about);
    QObject::connect(&detail, &PublishForm::aboutRequested, formView_.get(), about);
    // Exit asks as closing the window does.
    auto exit = [&main] {
        if (main.ConfirmClose())
            QApplication::quit();
    };
    QObject::connect(&main, &MainWindow::exitRequested, qApp, exit);
    QObject::connect(&detail, &PublishForm::exitRequested, qApp, exit);
}

GuiWindows::~GuiWindows() = default;

MainWindow::StartWindow GuiWindows::Load()
{
    const MainWindow::StartWindow first = context_.Start(false);
    formView_->refresh();
    mainView_->refresh();
    return first;
}

void GuiWindows::ShowMain()
{
    formView_->hide();
    mainView_->refresh();
    mainView_->show();
}

void GuiWindows::ShowDetail()
{
    mainView_->hide();
    formView_->refresh();
    formView_->show();
}

void GuiWindows::ShowFirst(MainWindow::StartWindow first)
{
    switch (first) {
    case MainWindow::StartWindow::Detail: ShowDetail(); break;
    case MainWindow::StartWindow::Server:
        if (context_.hooks.serverWindow) {
            context_.hooks.serverWindow();
            break;
        }
        [[fallthrough]];
    case MainWindow::StartWindow::Main: ShowMain(); break;
    }
}

}  // namespace pellucor
