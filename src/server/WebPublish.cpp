#include "server/WebPublish.h"

#include "publish/PublishRequest.h"

namespace pellucor {

void FillWebRequest(PublishRequest& r, const PreferenceSnapshot& prefs, const WebPublishRequest& request)
{
    r = PublishRequest();
    r.SetLectureDir(request.lectureDir, prefs);
    r.TextName = LectureNameOf(request.lectureDir);
    if (const auto style = prefs.find("prfStyle"); style != prefs.end())
        r.TextStyle = style->second;
    r.optCD = 0;
    r.optWeb = 1;
    if (!request.pubDir.empty())
        r.TextWebDir = request.pubDir;
    if (!request.webURL.empty())
        r.TextWebURL = request.webURL;
    r.chkStream = request.streamURL.empty() ? 0 : 1;
    if (!request.streamURL.empty())
        r.TextStream = request.streamURL;
    r.courseRoot = request.courseRoot;
}

}  // namespace pellucor
