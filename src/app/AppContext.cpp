#include "app/AppContext.h"

#include "app/Form1.h"
#include "app/Prefs2.h"
#include "core/SlideInfo.h"

AppContext::AppContext(const QString& prefsIni, QObject* parent)
    : QObject(parent), prefs_(std::make_unique<Prefs2>(prefsIni)), form1_(std::make_unique<Form1>(prefs_.get())),
      form2_(std::make_unique<Form2>(prefs_.get(), form1_.get()))
{
    form1_->SetHooks(&hooks);
    form2_->SetHooks(&hooks);
    Form2* main = form2_.get();
    Form1* detail = form1_.get();
    connect(detail, &Form1::statusChanged, main,
            [main](const QString& text, uint colour) { main->ShowStatus(text.toStdString(), colour); });
    connect(prefs_.get(), &Prefs2::statusText, detail,
            [detail](const QString& text) { detail->SetStatus(text.toStdString(), kColourWhite); });
    connect(detail, &Form1::openLectureRequested, main, &Form2::cmdOpenLecture_Click);
    connect(detail, &Form1::newLectureRequested, main, &Form2::cmdNewLecture_Click);
    connect(detail, &Form1::liberalSlideNamesRequested, main, &Form2::mnuLiberal_Click);
    connect(detail, &Form1::onlineHelpRequested, main, &Form2::mnuOnlineHelp_Click);
}

AppContext::~AppContext() = default;

Form2::StartWindow AppContext::Start(bool byAutomation)
{
    if (!started_) {
        started_ = true;
        first_ = form2_->Form_Load(byAutomation);
    }
    return first_;
}
