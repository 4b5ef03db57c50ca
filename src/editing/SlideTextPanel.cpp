#include "editing/SlideTextPanel.h"

#include <algorithm>
#include <cctype>

#include "core/FileLookup.h"
#include "core/Lecture.h"
#include "core/LectureLoader.h"
#include "core/TavUtils.h"
#include "editing/TimingEditor.h"

namespace pellucor {

SlideTextPanel::SlideTextPanel(TimingEditor& editor, QObject* parent) : QObject(parent), editor_(editor)
{
    connect(&editor_, &TimingEditor::changed, this, &SlideTextPanel::Follow);
}

std::string SlideTextPanel::PictureOfPage(const std::string& page)
{
    const std::string lower = Lower(Trim(page));
    if (!StartsWith(lower, "sld") || !EndsWith(lower, ".htm"))
        return "";
    const std::string digits = lower.substr(3, lower.size() - 7);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return "";
    return "img" + digits + ".gif";
}

void SlideTextPanel::Follow()
{
    const auto& rows = editor_.Rows();
    const int row = editor_.SelectedRow();
    const std::string page
        = row >= 0 && row < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(row)].page : std::string();
    const std::string dir = slideDir ? Tav_DirSlash(slideDir()) : std::string();
    const std::string picture = PictureOfPage(page);
    if (dir == dir_ && picture == picture_)
        return;
    // A correction is not lost by going to another slide.
    if (unsaved_)
        saveText();
    if (dir != dir_)
        titles_.clear();
    dir_ = dir;
    picture_ = picture;
    load();
}

void SlideTextPanel::load()
{
    text_ = SlideText {};
    unsaved_ = false;
    std::string path, err;
    if (!picture_.empty() && !dir_.empty() && FindFile(dir_, SlideTextFileFor(picture_), path, err)
        && !ReadSlideText(path, text_, err))
        Tav_DebugLog("Slide text not shown: " + err);
    emit changed();
}

void SlideTextPanel::SetText(const std::string& text)
{
    if (text == text_.text)
        return;
    text_.text = text;
    unsaved_ = true;
    emit changed();
}

void SlideTextPanel::SetTitle(const std::string& title)
{
    if (title == text_.title)
        return;
    text_.title = title;
    unsaved_ = true;
    emit changed();
}

bool SlideTextPanel::saveText()
{
    if (picture_.empty() || dir_.empty())
        return false;
    std::string picturePath, err;
    if (!FindFile(dir_, picture_, picturePath, err)) {
        Tav_Message("The slide picture " + dir_ + picture_ + " is missing: its text cannot be kept.");
        return false;
    }
    SlideText saved = text_;
    saved.source = SlideTextSource::Lecturer;
    saved.language.clear();
    saved.confidence = -1;
    saved.picture = FileContentHash(picturePath);
    const std::string file = Tav_StripExt(picturePath) + ".text";
    if (!WriteSlideText(file, saved, err)) {
        Tav_Message(err);
        return false;
    }
    text_ = saved;
    unsaved_ = false;
    titles_.clear();
    emit changed();
    return true;
}

std::pair<std::string, std::string> SlideTextPanel::TitleOf(const std::string& page)
{
    const std::string dir = slideDir ? Tav_DirSlash(slideDir()) : std::string();
    if (dir != titlesDir_)
        titles_.clear();
    titlesDir_ = dir;
    if (const auto it = titles_.find(page); it != titles_.end())
        return it->second;
    // The titles of every page of the grid, read once the way a publish
    // reads them.
    Lecture lecture;
    for (const TimingEditor::Row& row : editor_.Rows()) {
        lecture.Slides.push_back({});
        lecture.Slides.back().Name = row.page;
        lecture.Slides.back().Image = PictureOfPage(row.page);
    }
    if (!dir.empty()) {
        LectureLoader loader(
            lecture, {dir, "", dir, true}, nullptr, [](const std::string&) {}, [](const std::string&) {});
        std::string err;
        if (!loader.ReadTitles(err) || !loader.ReadSlideTexts(err))
            Tav_DebugLog("Slide titles not shown: " + err);
    }
    for (const Slide& slide : lecture.Slides)
        titles_[slide.Name] = slide.TitleFrom.empty() ? std::pair<std::string, std::string> {}
                                                      : std::pair {slide.Title, slide.TitleFrom};
    return titles_[page];
}

}  // namespace pellucor

#include "moc_SlideTextPanel.cpp"
