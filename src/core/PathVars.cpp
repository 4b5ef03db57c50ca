#include "core/PathVars.h"

#include "core/TavUtils.h"

namespace pellucor {

LectureNames SplitLectureDir(const std::string& lectureDir)
{
    const auto parts = Tav_SplitPath(Trim(lectureDir));
    return {parts.last, parts.leading};
}

std::string TavPrefString(const std::string& text, const std::string& lecDirCaption, bool withParent)
{
    const LectureNames names = SplitLectureDir(lecDirCaption);
    std::string s = ReplaceAll(text, "${lecdir}", lecDirCaption);
    s = ReplaceAll(s, "${lecname}", names.name);
    if (withParent)
        s = ReplaceAll(s, "${lecparent}", names.parent);
    return s;
}

}  // namespace pellucor
