// Every window of the windowed program, wired together: the application
// context, a view for each window model, the dialogs behind the models'
// hooks and the tool windows of the other layers. RunGui shows them; the
// tests drive the same windows.
#pragma once

#include <QString>

#include <memory>

#include "app/AppContext.h"
#include "app/PageOpener.h"

namespace pellucor {

class MainWindowView;
class PreferencesView;
class PublishFormView;
class ToolWindows;

class GuiWindows {
public:
    // prefsIni: a settings file instead of the per-user store (tests).
    // withTools: the dialogs and tool windows (off for screenshots).
    explicit GuiWindows(const QString& prefsIni = QString(), bool withTools = true);
    ~GuiWindows();

    AppContext& context() { return context_; }
    MainWindowView& mainWindowView() { return *mainView_; }
    PublishFormView& publishFormView() { return *formView_; }
    PreferencesView& preferencesView() { return *prefsView_; }

    // Loads the windows (start-up) and refreshes the views.
    MainWindow::StartWindow Load();
    // Shows the window start-up chose.
    void ShowFirst(MainWindow::StartWindow first);
    void ShowMain();
    void ShowDetail();

private:
    AppContext context_;
    PageOpener pageOpener_;
    std::unique_ptr<PublishFormView> formView_;
    std::unique_ptr<MainWindowView> mainView_;
    std::unique_ptr<PreferencesView> prefsView_;
    std::unique_ptr<ToolWindows> tools_;
};

}  // namespace pellucor
