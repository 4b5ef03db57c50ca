// The captions files that go beside a part's recording, and how captions
// made by speech recognition are told from a lecturer's own: such a file
// starts with a NOTE saying so and has a companion mark (NAME1.vtt.auto)
// holding the checksum of the text as it was written. A file whose text no
// longer matches its mark was corrected by hand and counts as the
// lecturer's, as does every file without a mark.
#pragma once

#include <string>
#include <vector>

namespace pellucor {

// The captions files beside the recording of a part, in the order they are
// tried: the recording's name with ".vtt", then with ".srt", then
// "captionsP.vtt" (the name a publish gives them, so that a published
// lecture published again keeps its captions), in any letter case. err is
// set when a name is ambiguous (two files differing only in case).
std::vector<std::string> FindCaptionsFiles(const std::string& mediaPath, int part, std::string& err);

// The captions of one language beside the recording of a part: the files
// tried for it, in order. Captions named for their language (talk1.de.vtt,
// talk1.en.srt, and captionsP.de.vtt as a publish names them) have lang
// set; the plain ones (FindCaptionsFiles) have lang empty: their language
// is the one their text names (CaptionsLanguage), else the lecture's.
struct CaptionLanguage {
    std::string lang;
    std::vector<std::string> files;
};
// The plain captions first (when there are any), then each named language
// once, in the order of their tags. err as for FindCaptionsFiles.
std::vector<CaptionLanguage> FindCaptionLanguages(const std::string& mediaPath, int part, std::string& err);

// Whether text is a language tag as caption files are named with: a
// language of two or three letters, then subtags ("de", "pt-BR", "zh-Hant").
bool IsLanguageTag(const std::string& text);
// The value of a "Name: value" line in the captions' header or first note,
// "" when there is none.
std::string CaptionsHeaderValue(const std::string& vtt, const std::string& name);
// The language captions name in their header or first note ("Language: de"),
// "" when they name none or no valid tag.
std::string CaptionsLanguage(const std::string& vtt);
// The note line of captions translated by machine from the speech
// ("Translated from: de"); CaptionsHeaderValue(vtt, kTranslatedFromField)
// names the language spoken.
inline constexpr const char* kTranslatedFromField = "Translated from";
// The lecture's language from its preference (prfSpeechLanguage): captions
// that name no language are in it; "en" where the preference names none.
std::string LectureLanguage(const std::string& preference);
// The language's own name for itself ("Deutsch", "English", "français"),
// the tag itself for a language unknown here.
std::string LanguageName(const std::string& tag);

// A WebVTT cue time, "hh:mm:ss.mmm" (never negative).
std::string WebVttTime(double seconds);
// A WebVTT cue's timing line, "00:00:01.000 --> 00:00:04.000".
std::string WebVttTiming(double start, double end);
// The same as SubRip writes it, with a comma: "00:01:02,500".
std::string SubRipTime(double seconds);
// Cue text as WebVTT holds it: "&", "<" and ">" as character references.
std::string WebVttEscaped(const std::string& text);

// Where machine-made captions of a recording go: its name with ".vtt", or
// with ".LANG.vtt" when a language is given.
std::string MachineCaptionsPath(const std::string& mediaPath, const std::string& lang = "");
// The companion mark of a captions file.
std::string MachineCaptionsMark(const std::string& captionsPath);
// The first line after "WEBVTT" in machine-made captions.
inline constexpr const char* kMachineCaptionsNote = "NOTE Automatic captions";
// The header automatic captions are written with, up to their note.
inline constexpr const char* kMachineCaptionsStart = "WEBVTT\r\n\r\nNOTE Automatic captions";
// Whether WebVTT text opens as automatic captions are written.
bool OpensAsMachineCaptions(const std::string& vtt);

// Whether the file at captionsPath holds machine-made captions, unchanged
// since they were written.
bool IsMachineCaptions(const std::string& captionsPath);
// Same for text already read (the file's own text).
bool IsMachineCaptionsText(const std::string& captionsPath, const std::string& text);

// Writes machine-made captions: the mark first, then the text under its
// final name in one rename, so that a stop in between leaves either no
// captions or whole ones. False with err; the captions already there are
// then as they were.
bool WriteMachineCaptions(const std::string& captionsPath, const std::string& vtt, std::string& err);

// The audio descriptions beside the recording of a part: its name with
// ".descriptions.vtt" (WebVTT, kind descriptions), in any letter case;
// where none is there, the path they go to. Made from the slides, they
// carry the machine-made mark as captions do, and lose it once edited.
std::string DescriptionsPath(const std::string& mediaPath);
// The first line after "WEBVTT" in machine-made descriptions.
inline constexpr const char* kMachineDescriptionsNote = "NOTE Automatic descriptions";

// Makes captions the lecturer's own (after a correction): the mark goes.
bool DropMachineMark(const std::string& captionsPath, std::string& err);

}  // namespace pellucor
