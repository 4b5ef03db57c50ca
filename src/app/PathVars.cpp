#include "app/PathVars.h"

#include "core/TavUtils.h"

namespace pellucor {

LectureNames SplitLectureDir(const std::string& lectureDir)
{
    const auto parts = Tav_SplitPath(tav::trim(lectureDir));
    return {parts.last, parts.leading};
}

std::string TavPrefString(const std::string& text, const std::string& lecDirCaption, bool withParent)
{
    const LectureNames names = SplitLectureDir(lecDirCaption);
    std::string s = tav::replaceAll(text, "${lecdir}", lecDirCaption);
    s = tav::replaceAll(s, "${lecname}", names.name);
    if (withParent)
        s = tav::replaceAll(s, "${lecparent}", names.parent);
    return s;
}

}  // namespace pellucor
