// The publish's captions step: each part whose recording has a captions
// file beside it (NAME1.vtt or NAME1.srt, rawmedia.vtt for a rawmedia
// recording) gets captionsP.vtt, and captionsP.js for pages opened from
// disk, in the output directory; captions in other languages, named for
// them (NAME1.de.vtt), get captionsP.de.vtt and captionsP.de.js. A captions
// file that cannot be read ends the publish with the reason: captions
// silently missing would only be noticed by the students who need them.
#include "core/Captions.h"
#include "publish/Publisher.h"

#include <algorithm>

#include "core/CaptionReview.h"
#include "core/TavUtils.h"
#include "core/TextFile.h"

namespace pellucor {

namespace {

// Machine-made captions beside the recording are known by their mark, or
// by the review a person recorded in them; a published lecture published
// again has only its captionsP.vtt (captionsP.LANG.vtt), which kept the NOTE that says a
// machine made them (and the review).
// (The mark is the checksum of the file as written, not as read here.)
CaptionsKind KindOf(const std::string& source, int part, const std::string& vtt)
{
    std::string written;
    CaptionsKind kind = ReadWholeFile(source, written) ? KindOfCaptions(source, written) : CaptionsKind {};
    // A publication published again: captionsP.vtt, captionsP.LANG.vtt.
    const std::string name = Lower(Tav_SplitPath(source).last), stem = "captions" + std::to_string(part) + ".";
    if (!kind.automatic && StartsWith(name, stem) && EndsWith(name, ".vtt") && OpensAsMachineCaptions(vtt))
        kind = {true, CaptionsReview(vtt) == "yes"};
    return kind;
}

}  // namespace

bool Publisher::publishCaptions()
{
    for (Part& part : SI.Parts)
        part.CaptionTracks.clear();
    const std::string lectureLang = LectureLanguage(Preference("prfSpeechLanguage"));
    const std::string out = Tav_DirSlash(S.OutDir);
    for (int p = 1; p <= SI.PartCount(); ++p) {
        const Part& recording = SI.PartAt(p);
        const std::string& media = recording.Recording();
        std::string err;
        const auto languages = FindCaptionLanguages(media, p, err);
        if (!err.empty())
            return fail("The captions of " + media + " cannot be published: " + err);
        struct Found {
            std::string lang, source, vtt;
        };
        std::vector<Found> found;
        for (const CaptionLanguage& language : languages)
            for (const std::string& source : language.files) {
                SetStatus("Publishing captions " + source);
                std::string vtt;
                if (!ReadCaptions(source, vtt, err))
                    return fail(err);
                if (!partCuts(p).Empty() && !CutWebVtt(vtt, partCuts(p), vtt, err))
                    return fail("The captions file " + source + " cannot be published: " + err);
                if (IsSlideEventsTrack(vtt)) {
                    // A directory published before keeps its slide-change
                    // track under the recording's name: it is no captions.
                    Tav_DebugLog("Not captions but slide changes: " + source);
                    continue;
                }
                std::string lang = language.lang.empty() ? CaptionsLanguage(vtt) : language.lang;
                if (lang.empty())
                    lang = lectureLang;
                // One track a language: a file named for it wins over a
                // plain one said to be in it.
                const auto same
                    = std::find_if(found.begin(), found.end(), [&](const Found& f) { return IEquals(f.lang, lang); });
                if (same == found.end())
                    found.push_back({lang, source, vtt});
                else if (!language.lang.empty())
                    *same = {lang, source, vtt};
                break;
            }
        // The lecture's own language first: it is the part's captions where
        // a page or a package offers one track only.
        std::stable_sort(found.begin(), found.end(), [&](const Found& a, const Found& b) {
            return IEquals(a.lang, lectureLang) && !IEquals(b.lang, lectureLang);
        });
        const std::string part = std::to_string(p);
        for (const Found& f : found) {
            const bool first = &f == &found.front();
            const std::string stem = "captions" + part + (first ? "" : "." + f.lang);
            const CaptionsKind kind = KindOf(f.source, p, f.vtt);
            Part::CaptionTrack track {f.lang,         stem + ".vtt", stem + ".js", first ? part : part + "." + f.lang,
                                      kind.automatic, kind.reviewed};
            track.translated = track.automatic && !CaptionsHeaderValue(f.vtt, kTranslatedFromField).empty();
            if (!WriteCaptions(f.vtt, out + track.file, out + track.script, track.key, err))
                return fail("The captions file " + f.source + " cannot be published: " + err);
            Tav_DebugLog("Captions of part " + part + " in " + f.lang + ": " + f.source + " published as "
                         + track.file);
            SI.EditPart(p).CaptionTracks.push_back(track);
        }
    }
    return true;
}

}  // namespace pellucor
