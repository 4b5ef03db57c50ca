// The publish's adaptive-streaming step: in a web publication, each part's
// browser copy (H.264/AAC MP4, or AAC sound) gets its HLS presentation
// beside it, listing the part's captions and slide chapters, for the pages
// to play over http(s). A copy that cannot stream so (WebM, MP3) keeps only
// its progressive copy; a failure to write ends the publish with the reason.
#include "publish/Publisher.h"

#include "core/TavUtils.h"
#include "style/StyleTokens.h"

namespace pellucor {

namespace {

bool streamable(const std::string& copy)
{
    const std::string name = Lower(copy);
    return EndsWith(name, ".mp4") || EndsWith(name, ".m4a");
}

}  // namespace

bool Publisher::publishHls(bool toDisk)
{
    if (toDisk || !S.HlsWeb)
        return true;
    const std::string out = Tav_DirSlash(S.OutDir);
    std::unique_ptr<MediaOpener> opener;
    for (int p = 1; p <= SI.PartCount(); ++p) {
        const Part& part = SI.PartAt(p);
        if (part.BrowserCopy.empty() || !streamable(part.BrowserCopy)) {
            if (!part.BrowserCopy.empty())
                Tav_DebugLog("No HLS for " + part.BrowserCopy + ": only MP4 and M4A copies stream so");
            continue;
        }
        std::vector<HlsTextTrack> text;
        for (const Part::CaptionTrack& track : part.CaptionTracks)
            text.push_back({CaptionsLabel(track), track.lang, track.file, false});
        const std::string lang = part.CaptionTracks.empty() ? std::string("en") : part.CaptionTracks.front().lang;
        text.push_back({"Slides", lang, "chapters" + std::to_string(p) + ".vtt", true});
        const std::string name = part.BrowserCopy.substr(0, part.BrowserCopy.rfind('.'));
        SetStatus("Writing adaptive streaming (HLS) of " + part.BrowserCopy);
        std::string err;
        if (!opener && Host())
            opener = Host()->LoadMediaOpener(err);
        if (!opener)
            return fail("The HLS presentation cannot be written: " + err);
        std::atomic<bool> cancel {false};
        if (Host())
            Host()->SetCancelHandler([&cancel] { cancel = true; });
        const bool ok = opener->WriteHls(
            out + part.BrowserCopy, name, text, [this](int percent) { Progress(percent, 100); }, cancel, err);
        if (Host())
            Host()->SetCancelHandler(nullptr);
        if (!ok && Cancelled())
            return cancelled("Publish cancelled while the HLS presentation was written");
        if (!ok)
            return fail("The HLS presentation of " + part.BrowserCopy + " cannot be written: " + err);
        SI.EditPart(p).Hls = name + ".m3u8";
    }
    return true;
}

}  // namespace pellucor
