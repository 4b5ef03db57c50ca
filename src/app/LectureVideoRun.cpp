#include "app/LectureVideoRun.h"

#include <filesystem>

#include "lecture/LectureVideoExport.h"
#include "app/MainWindow.h"
#include "app/PublishForm.h"
#include "app/WindowJobShow.h"
#include "core/TavUtils.h"

namespace pellucor {

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
    run(attended, "Exporting the lecture as one video", [this, request](std::string& err) {
        return ExportLectureVideo(
            request, [this](int percent) { report(percent, ""); }, cancel_, err);
    });
    return true;
}

void LectureVideoRun::ended(bool ok, const std::string& err)
{
    if (cancel_) {
        conclude(JobEnd::Cancelled, "Export cancelled");
    } else if (!ok) {
        conclude(JobEnd::Failed, "The lecture video was not written: " + err);
    } else {
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(output_, ec);
        conclude(JobEnd::Succeeded,
                 "Lecture video written: " + output_ + " (" + Tav_SizeText(static_cast<int64_t>(bytes)) + ")");
    }
}

}  // namespace pellucor
