// The single instances of one run: the preferences, the detailed form and
// the main window, wired together (the detailed form's status line is
// mirrored into the main window; the detailed form's File and Options
// items run the main window's operations), and the hooks through which the
// user interface supplies dialogs and tool windows.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "app/Form2.h"
#include "app/FrontEndHooks.h"

class Form1;
class Prefs2;

class AppContext : public QObject {
    Q_OBJECT
public:
    // prefsIni: a settings file instead of the per-user store (tests).
    explicit AppContext(const QString& prefsIni = QString(), QObject* parent = nullptr);
    ~AppContext() override;

    Prefs2& prefs() { return *prefs_; }
    Form1& form1() { return *form1_; }
    Form2& form2() { return *form2_; }
    FrontEndHooks hooks;

    // Loads the windows once (the main window's Form_Load) and answers
    // which window to show first.
    Form2::StartWindow Start(bool byAutomation = false);
    bool Started() const { return started_; }
    Form2::StartWindow FirstWindow() const { return first_; }

private:
    std::unique_ptr<Prefs2> prefs_;
    std::unique_ptr<Form1> form1_;
    std::unique_ptr<Form2> form2_;
    bool started_ = false;
    Form2::StartWindow first_ = Form2::StartWindow::Main;
};
