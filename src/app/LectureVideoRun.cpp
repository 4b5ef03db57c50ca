#include "app/LectureVideoRun.h"

#include <filesystem>

#include "app/LectureVideoExport.h"
#include "app/MainWindow.h"
#include "app/PublishForm.h"
#include "app/WindowJobShow.h"
#include "core/TavUtils.h"

namespace pellucor {

LectureVideoRun::LectureVideoRun(MainWindow& main, PublishForm& form, FrontEndHooks& hooks, QObject* parent)
    : QObject(parent), main_(main), form_(form), hooks_(hooks)
{ }

LectureVideoRun::~LectureVideoRun()
{
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
}

void LectureVideoRun::Start()
{
    std::string output = Tav_DirSlash(form_.TextPP) + (form_.TextName.empty() ? "lecture" : form_.TextName) + ".mp4";
    if (hooks_.chooseVideoFile && !hooks_.chooseVideoFile("Export as One Video", output))
        return;
    std::string msg;
    if (!begin(true, output, msg) && !msg.empty())
        Tav_Message(msg);
}

bool LectureVideoRun::StartUnattended(const std::string& output, std::string& msg) { return begin(false, output, msg); }

bool LectureVideoRun::begin(bool attended, const std::string& output, std::string& msg)
{
    if (msg = JobStartRefusal(Busy(), form_.Busy(), hooks_); !msg.empty())
        return false;
    if (output.empty() || std::filesystem::is_directory(output)) {
        msg = "Name the video file to write";
        return false;
    }
    LectureVideoRequest request;
    request.slideDir = Tav_DirSlash(form_.TextPP);
    request.mediaDir = Tav_DirSlash(form_.TextMedia);
    request.lecName = form_.TextName;
    request.output = output_ = output;
    request.openers = form_.Session().openerFactory;
    attended_ = attended;
    cancel_ = false;
    ok_ = false;
    outcome_.clear();
    ShowJobBusy(main_, form_, true);
    showProgress(0);
    form_.SetStatus("Exporting the lecture as one video...", kColourYellow);
    worker_ = std::thread([this, request] {
        std::string err;
        const bool ok = ExportLectureVideo(
            request,
            [this](int percent) {
                QMetaObject::invokeMethod(
                    this, [this, percent] { showProgress(percent); }, Qt::QueuedConnection);
            },
            cancel_, err);
        QMetaObject::invokeMethod(
            this, [this, ok, err] { end(ok, err); }, Qt::QueuedConnection);
    });
    return true;
}

void LectureVideoRun::showProgress(int percent) { ShowJobProgress(main_, form_, percent); }

void LectureVideoRun::end(bool ok, const std::string& err)
{
    worker_.join();
    ok_ = ok;
    ShowJobBusy(main_, form_, false);
    if (cancel_) {
        ok_ = false;
        outcome_ = "Export cancelled";
        ShowJobEnd(form_, JobEnd::Cancelled, outcome_, attended_);
    } else if (!ok) {
        outcome_ = "The lecture video was not written: " + err;
        ShowJobEnd(form_, JobEnd::Failed, outcome_, attended_);
    } else {
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(output_, ec);
        outcome_ = "Lecture video written: " + output_ + " (" + Tav_SizeText(static_cast<int64_t>(bytes)) + ")";
        ShowJobEnd(form_, JobEnd::Succeeded, outcome_, attended_);
    }
    emit finished(ok_);
}

}  // namespace pellucor

#include "moc_LectureVideoRun.cpp"
