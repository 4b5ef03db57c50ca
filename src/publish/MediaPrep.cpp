// Media preparation and event merge: one ".rat" events file per part and
// the commands that merge it into the media, or the merge itself through
// the encoder component when the built-in events processing is chosen.
#include "publish/Publisher.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/EventsFile.h"
#include "core/PreferenceStore.h"
#include "core/RecordingKinds.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {
const char* const kSupport = "support@pellucor.org";

bool isBuiltIn(const std::string& tool) { return Contains(Upper(tool), "NONE"); }

// The merge tool named without an extension, as stored, or with ".exe".
bool toolExists(const std::string& tool) { return Tav_ChkFile(tool) || Tav_ChkFile(tool + ".exe"); }
}  // namespace

// The part's recording when it is one of today's kinds (no RealMedia).
std::string Publisher::partRecording(int part) const
{
    for (const std::string* media : {&SI.PartAt(part).VideoFile, &SI.PartAt(part).AudioFile})
        if (!media->empty() && IsRecordingName(*media))
            return *media;
    return "";
}

// The slides of a part as chapters of its browser copy: each from its start
// to the next slide's, the last to its own end.
std::vector<MediaChapter> Publisher::partChapters(int part) const
{
    std::vector<MediaChapter> chapters;
    for (const Slide& slide : SI.Slides) {
        if (slide.CutAway || (slide.AudioPart != part && slide.VideoPart != part))
            continue;
        const double start = Tav_TimeToTicks(slide.StartTime) / 60.0;
        if (!chapters.empty())
            chapters.back().end = std::max(chapters.back().start, start);
        chapters.push_back({start, std::max(start, Tav_TimeToTicks(slide.EndTime) / 60.0), slide.Title});
    }
    return chapters;
}

bool Publisher::writeRat(int part, const std::string& rat, bool toDisk)
{
    // A part with cuts has its slides' times moved: they are written from
    // the lecture, not converted from its events file.
    if (SI.PartCount() == 1 || !partCuts(part).Empty()) {
        std::ofstream out(rat, std::ios::binary | std::ios::trunc);
        for (const Slide& slide : SI.Slides) {
            if (slide.CutAway || (SI.PartCount() > 1 && slide.AudioPart != part && slide.VideoPart != part))
                continue;
            const std::string& page = slide.Name;
            const std::string address = (toDisk || Contains(page, "http:")) ? page : S.WebURL + page;
            WriteLine(out, PublishedEventLineText({slide.StartTime, slide.EndTime, address}));
        }
        out.close();
        if (!out)
            return fail("Unable to create " + rat + ": " + ErrnoText());
        return true;
    }
    if (!Tav_ChkFileMsg(SI.PartAt(part).EventsFile))
        return fail("Cannot find timing file");
    if (!style_.ConvertEventUrls(toDisk, S.WebURL, SI.PartAt(part).EventsFile, rat))
        return fail("Unable to create " + rat + ": " + ErrnoText());
    return true;
}

bool Publisher::writeToolCommands(BatchScript& bat, int part, const std::string& media, bool video)
{
    const std::string T = Preference("prfRmmerge");
    const std::string A = Preference("prfEvent32");
    const std::string E = Preference("prfEvents");
    const std::string Np = S.LecName + std::to_string(part);
    const std::string out = Tav_DirSlash(S.OutDir);
    if (video) {
        const std::string O = out + Np + ".rm";
        if (IContains(T, "rvencode")) {
            bat.WriteLog("Video Pre-5.0 Merge " + Np);
            bat.WriteCommand({T, "-f", E, Np + ".rat", Np + ".raz"});
            bat.WriteLog("Video Phase 2 Merge " + Np);
            bat.WriteCommand({T, Np + ".raz", media, O});
        } else if (IContains(T, "rmevents")) {
            bat.WriteLog("Video G2 Merge " + Np);
            bat.WriteCommand({T, "-i", media, "-o", O, "-e", Np + ".rat"});
        } else {
            bat.WriteLog("Video 5.0 Merge " + Np);
            bat.WriteCommand({T, "-f", E, Np + ".rat", media, O});
        }
        return true;
    }
    const std::string raIn = Tav_DirSlash(S.MediaDir) + Np + ".ra";
    if (IContains(A, "cevent")) {
        bat.WriteLog("Audio 3.0 Merge " + Np);
        bat.WriteCommand({A, Np + ".rat", Np + ".rae"});
        bat.WriteCopyHere(media);
    } else if (IContains(T, "rmevents")) {
        bat.WriteLog("Audio G2 Merge " + Np);
        bat.WriteCommand({T, "-i", raIn, "-o", Np + ".ra", "-e", Np + ".rat"});
    } else {
        bat.WriteLog("Audio 5.0 Merge " + Np);
        bat.WriteCommand({A, "-f", E, Np + ".rat", raIn, Np + ".ra"});
    }
    return true;
}

bool Publisher::builtInMerge(int part, const std::string& media, const std::string& rat, const std::string& output,
                             bool readSizes)
{
    // A recording of today needs no merged file: its browser copy carries
    // the slides as chapters.
    const bool recording = output.empty();
    if (!encoder_) {
        std::string why;
        encoder_ = Host() ? Host()->LoadMediaOpener(why) : nullptr;
        if (!encoder_)
            return fail("Pellucor cannot Load RealProducer ActiveX Control - " + why);
    }
    SetStatus((recording ? "Opening " : "OpenRMFile ") + media);
    std::string err;
    auto file = encoder_->OpenMedia(media, err);
    if (!file)
        return fail("Unable to read " + media + " - " + err);
    // Only a part with video tells the page its picture size.
    if (readSizes && file->HasVideo()) {
        layout_.VideoHeight = static_cast<int16_t>(file->VideoHeight());
        layout_.VideoWidth = layout_.PlayerWidth = static_cast<int16_t>(file->VideoWidth());
        layout_.FrameWidth = static_cast<int16_t>(layout_.VideoWidth + 30);
        layout_.PlayerWidth = std::max<int16_t>(layout_.PlayerWidth, 160);
        layout_.FrameWidth = std::max<int16_t>(layout_.FrameWidth, 190);
    }
    if (!cutsFit(part, file->Duration())) {
        file->Close();
        return false;
    }
    clampToRecording(part, partCuts(part).Empty() ? file->Duration() : partCuts(part).KeptLength(file->Duration()));
    SetStatus("Adding Events - " + rat);
    if (!file->AddEvents(rat, err)) {
        file->Close();
        return fail("Adding the events of " + rat + " failed - " + err);
    }
    const std::string out = Tav_DirSlash(S.OutDir);
    const std::string Np = S.LecName + std::to_string(part);
    SetStatus("Saving " + (recording ? out + Np : output));
    file->copySettings.webm = PreferenceOn(Preference("prfWebmCopy"));
    file->copySettings.loudness = PreferenceOn(Preference("prfLoudness"));
    file->chapters = partChapters(part);
    file->cuts = partCuts(part);
    // Slide times are whole seconds: no chapter runs past the cut copy's end.
    if (!file->cuts.Empty())
        for (MediaChapter& c : file->chapters) {
            const double end = file->cuts.KeptLength(file->Duration());
            c.start = std::min(c.start, end);
            c.end = std::min(c.end, end);
        }
    // Each part is an equal share of the step.
    const int64_t parts = std::max(SI.PartCount(), 1);
    file->onProgress = [this, part, parts](int percent) { Progress((part - 1) * 100 + percent, parts * 100); };
    MediaFileObject* saving = file.get();
    if (Host())
        Host()->SetCancelHandler([saving] { saving->Cancel(); });
    const bool saved = recording ? file->SaveBrowserCopy(out + Np, err) : file->Save(output, err);
    if (Host())
        Host()->SetCancelHandler(nullptr);
    file->Close();
    if (!saved && Cancelled()) {
        removePartOutputs(part);
        return cancelled("Publish cancelled during media preparation of " + S.LecName + std::to_string(part)
                         + ": its unfinished media was removed");
    }
    if (!saved) {
        // Media that cannot be read to its end leaves no output that pages
        // would point at as if it were whole.
        removePartOutputs(part, true);
        return fail("Saving " + (recording ? out + Np : output) + " from " + media + " failed - " + err);
    }
    if (!recording && !Tav_ChkFile(output))
        return fail("Error - Unable to create " + output);
    if ((recording || !file->browserCopy.empty()) && !Tav_ChkFile(out + file->browserCopy))
        return fail("Error - Unable to create the browser copy of " + media + " in " + out);
    SI.EditPart(part).BrowserCopy = file->browserCopy;
    SetStatus("Event process complete....");
    return true;
}

// Slides of a part whose times lie past the end of its recording: each
// that starts after the end is named in a warning, and every time is held
// to the end, so that no chapter runs past the recording.
void Publisher::clampToRecording(int part, double seconds)
{
    if (seconds <= 0)
        return;
    const int32_t endTicks = static_cast<int32_t>(seconds * 60);
    for (int i = 1; i <= SI.SlideCount(); ++i) {
        Slide& slide = SI.EditSlide(i);
        if (slide.AudioPart != part && slide.VideoPart != part)
            continue;
        if (Tav_TimeToTicks(slide.StartTime) > endTicks) {
            StatusColour = kColourYellow;
            SetStatus("Warning: slide " + std::to_string(i) + " (" + slide.Title + ") starts at " + slide.StartTime
                      + ", after the end of its recording (" + Tav_TicksToTime(endTicks) + ")");
            slide.StartTime = Tav_TicksToTime(endTicks);
        }
        if (Tav_TimeToTicks(slide.EndTime) > endTicks)
            slide.EndTime = Tav_TicksToTime(endTicks);
    }
}

// Everything the merge of one part wrote: Np and any extension (but its
// events file Np.rat when keepRat).
void Publisher::removePartOutputs(int part, bool keepRat)
{
    const std::string Np = S.LecName + std::to_string(part);
    const std::string out = Tav_DirSlash(S.OutDir);
    for (const std::string& name : ListFiles(out, "*.*")) {
        const auto dot = name.rfind('.');
        if (dot != std::string::npos && name.substr(0, dot) == Np && !(keepRat && Lower(name.substr(dot)) == ".rat")) {
            Tav_DebugLog("Removing the unfinished " + out + name);
            std::error_code ec;
            std::filesystem::remove(out + name, ec);
        }
    }
}

bool Publisher::PrepareMedia(BatchScript& bat, bool toDisk)
{
    const std::string T = Preference("prfRmmerge");
    const bool builtIn = isBuiltIn(T);
    // The RealMedia tools matter to RealMedia parts only.
    bool realMedia = false;
    for (int p = 1; p <= SI.PartCount(); ++p)
        realMedia = realMedia || partRecording(p).empty();
    if (!builtIn && realMedia && !toolExists(T))
        return fail("Real Event Software does not exist - " + T);
    const std::string out = Tav_DirSlash(S.OutDir);
    // A part with media starts from the default picture sizes; the built-in
    // merge reads the real ones.
    const auto defaultSizes = [this] { layout_ = PageLayout {}; };

    for (int p = 1; p <= SI.PartCount(); ++p) {
        const std::string Np = S.LecName + std::to_string(p);
        const std::string rat = out + Np + ".rat";
        if (!writeRat(p, rat, toDisk))
            return false;

        // A recording of today is always prepared through the encoder
        // component: the RealMedia tools cannot read it.
        if (const std::string recording = partRecording(p); !recording.empty()) {
            if (!Tav_ChkFile(recording))
                return fail("Error " + SI.PartAt(p).EventsFile + " exists but no audio or video found");
            defaultSizes();
            if (!builtInMerge(p, recording, rat, "", !SI.PartAt(p).VideoFile.empty()))
                return false;
            continue;
        }
        const Part& part = SI.PartAt(p);
        std::string media = part.VideoFile;
        if (media.empty() && EndsWith(Lower(part.AudioFile), ".rm"))
            media = part.AudioFile;
        bool counted = false;
        if (!media.empty() && Tav_ChkFile(media)) {
            counted = true;
            defaultSizes();
            if (builtIn ? !builtInMerge(p, media, rat, out + Np + ".rm", true)
                        : !writeToolCommands(bat, p, media, true))
                return false;
        } else {
            const std::string& audio = part.AudioFile;
            Tav_DebugLog("Checking " + audio);
            if (!audio.empty() && Tav_ChkFile(audio) && !EndsWith(Lower(audio), ".rm")) {
                PlainMessage(std::string("Storing audio in .ra files is a deprecated feature, please contact ")
                             + kSupport);
                counted = true;
                if (builtIn ? !builtInMerge(p, audio, rat, out + Np + ".ra", false)
                            : !writeToolCommands(bat, p, audio, false))
                    return false;
            }
        }
        if (!counted)
            return fail("Error " + SI.PartAt(p).EventsFile + " exists but no audio or video found");
    }
    bat.WriteEnd(S.InstallCommand);
    return true;
}

}  // namespace pellucor
