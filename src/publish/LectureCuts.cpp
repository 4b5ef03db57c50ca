// The publish's cuts: each part's cut list (NAME1.cuts beside its
// recording) read before anything is written, a list that cannot be read
// ending the publish with the line at fault. The slides move into the time
// of the copy without the cuts, whole seconds as events files hold them; a
// slide whose whole stretch is cut leaves the lecture's contents, events
// and chapters. Captions and descriptions move as they are published
// (CaptionsStep.cpp, DescriptionsStep.cpp), the copy itself is cut in
// media preparation. A RealMedia part's cut list applies to its browser
// copy; the recording itself is passed on as it was made.
#include "publish/Publisher.h"

#include "core/SlideCuts.h"
#include "core/TavUtils.h"

namespace pellucor {

namespace {

const CutList kNoCuts;

}  // namespace

const CutList& Publisher::partCuts(int p) const
{
    return p >= 1 && p <= static_cast<int>(cuts_.size()) ? cuts_[static_cast<size_t>(p - 1)] : kNoCuts;
}

bool Publisher::applyCuts()
{
    uncut_ = SI;
    cuts_.assign(static_cast<size_t>(SI.PartCount()), CutList());
    bool any = false;
    for (int p = 1; p <= SI.PartCount(); ++p) {
        const std::string recording = SI.PartAt(p).Recording();
        if (recording.empty())
            continue;
        std::string err;
        if (!ReadCutList(recording, 0, cuts_[static_cast<size_t>(p - 1)], err))
            return fail(err);
        if (const size_t n = partCuts(p).Stretches().size(); n > 0) {
            SetStatus("Leaving out " + std::to_string(n) + (n == 1 ? " stretch" : " stretches") + " of "
                      + Tav_SplitPath(recording).last + " (its cut list)");
            any = true;
        }
    }
    if (!any)
        return true;
    for (int p = 1; p <= SI.PartCount(); ++p)
        CutSlides(SI, p, partCuts(p));
    return true;
}

bool Publisher::cutsFit(int p, double seconds)
{
    const CutList& cuts = partCuts(p);
    if (cuts.Empty() || seconds <= 0)
        return true;
    CutList checked;
    std::string err;
    if (!ReadCutList(SI.PartAt(p).Recording(), seconds, checked, err))
        return fail(err);
    return true;
}

}  // namespace pellucor
