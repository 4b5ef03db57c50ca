// Loading a lecture into the slide table: the engine's side of it (the
// settings, the status line, the encoder that tells whether a recording
// holds video); the steps themselves are LectureLoader's.
#include "core/LectureLoader.h"
#include "core/SlideEngine.h"
#include "core/TavUtils.h"

#include <memory>

namespace pellucor {

bool SlideEngine::LoadSlideInfo(bool fullCheck, bool verbose, std::string& err)
{
    return LoadLecture(fullCheck, verbose, err);
}

bool SlideEngine::LoadLecture(bool fullCheck, bool verbose, std::string& err)
{
    err.clear();
    const std::string D = Tav_DirSlash(S.MediaDir);
    Tav_DebugLog("LoadSlideInfo " + D);

    std::unique_ptr<MediaOpener> encoder;  // loaded on first use, released at the end
    const bool builtInProbe = Contains(Upper(Preference("prfRmmerge")), "NONE");
    // Opens media through the encoder component and tells whether it holds
    // video and sound.
    auto openMedia = [&](const std::string& path, bool& video, bool& audio, std::string& why) {
        if (!encoder) {
            std::string loadErr;
            encoder = Host() ? Host()->LoadMediaOpener(loadErr) : nullptr;
            if (!encoder) {
                why = "Pellucor Unable to Load RealProducer ActiveX control during Slide Load";
                return false;
            }
        }
        std::string openErr;
        auto media = encoder->OpenMedia(path, openErr);
        if (!media) {
            why = "Unable to read media file " + path + " - " + openErr;
            return false;
        }
        video = media->HasVideo();
        audio = media->HasAudio();
        media->Close();
        return true;
    };
    auto hasVideo = [&](const std::string& rm, bool& video, std::string& why) {
        if (!builtInProbe) {
            const int answer = PlainAskYesNoCancel("Does the media for this lecture (" + rm + ") contain Video?");
            if (answer == TavCancel) {
                why = "Cancelled...";
                return false;
            }
            video = answer == TavYes;
            return true;
        }
        bool audio = false;
        return openMedia(rm, video, audio, why);
    };
    // A recording of today is always opened: its streams say whether it
    // holds video, whatever the merge tools are.
    auto probeRecording = [&](const std::string& path, bool& video, std::string& why) {
        bool audio = false;
        if (!openMedia(path, video, audio, why))
            return false;
        if (!video && !audio) {
            why = "Unable to read media file " + path + " - it holds neither video nor sound";
            return false;
        }
        return true;
    };
    LectureLoader loader(
        SI, {D, S.LecName, S.LecDir, fullCheck}, hasVideo,
        [&](const std::string& text) {
            if (verbose)
                SetStatus(text);
        },
        [&](const std::string& text) { SetStatus(text); }, probeRecording);
    const bool ok = loader.Load(err);
    encoder.reset();
    if (fullCheck)
        PrintSlideInfo();
    if (!ok)
        return false;
    if (SI.PartCount() < 1) {
        err = "LOADSLIDEINFO:No media found (count < 1) " + D;
        return false;
    }
    return true;
}

}  // namespace pellucor
