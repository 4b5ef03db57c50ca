// The style half of the publishing engine: one class, StyleEngine, whose
// concerns each live in a file named after it:
//   StyleEngineTokens.cpp       substitution tokens (SubstituteTokens; the
//                               tokens themselves are the table in
//                               StyleTokens.h)
//   StyleEngineNotesFilters.cpp the notes filters (StripTags, AutoLink)
//   StyleEngineDirectives.cpp   the line processor: directives, conditions
//                               and loop expansion (ProcessTemplate)
//   StyleEngineDirectory.cpp    a style directory to output files
//                               (ProcessStyleDirectory and its templates)
//   StyleEngineSectionCopy.cpp  sections of lecture pages (CopySection)
//   StyleEngineEventUrls.cpp    whole-file replaces on events files
// It reads a loaded lecture and the publish settings, which its owner keeps
// (the publishing engine, Publisher, holds both and prepares the media
// first). The conversion of published lectures is not part of the engine:
// see PublishedLecture.h.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/EngineHost.h"
#include "core/FileLookup.h"
#include "core/Lecture.h"
#include "core/PublishSettings.h"
#include "style/PageLayout.h"
#include "style/TemplateLines.h"

namespace pellucor {

// Why a style directory cannot be published with ("" when it can): it does
// not exist, or it holds no template.
std::string StyleDirectoryProblem(const std::string& styleDir);
// Whether a style directory's file is not text (a NUL byte in it, or a
// type known to be binary such as an image, font, sound, video or archive):
// such a file is copied byte for byte, never through the line processor.
bool IsBinaryStyleFile(const std::string& path);

// Writes a style directory's files for one lecture. It only reads the
// lecture, the settings and the layout it is given; they must outlive it.
class StyleEngine {
public:
    StyleEngine(const Lecture& lecture, const PublishSettings& settings, const PageLayout& layout,
                EngineHost* host = nullptr)
        : lecture_(lecture), settings_(settings), layout_(layout), host_(host)
    { }
    StyleEngine(const StyleEngine&) = delete;
    StyleEngine& operator=(const StyleEngine&) = delete;

    // Condition stack: slots 1..100 are usable, slot 0 is never used.
    static constexpr int kMaxIfDepth = 100;
    // Loops nest through recursion; every level multiplies the work by the
    // number of slides or parts, so nesting is bounded.
    static constexpr int kMaxLoopDepth = 8;
    // Passes one outermost loop may run, nested passes included; a garbage
    // template could otherwise multiply into billions.
    int64_t MaxLoopPasses = 1000000;

    // Nesting depth of the loop expansions under way.
    int16_t LoopDepth = 0;
    // While set, a !FORSLIDE loop visits only the slides of the current part.
    bool PartRestrict = false;
    // The first failure since ProcessStyleDirectory began (empty when none).
    std::string StyleError;

    // --- Tokens -----------------------------------------------------------
    // A slide number made safe for indexing the slide table.
    static int SlideIndex(int slide) { return std::clamp(slide, 0, kMaxSlides); }
    void SubstituteTokens(std::string& line, int slide, bool toDisk) const;
    // Replaces every occurrence left to right; inserted text is not searched
    // again, so a value holding its own token is inserted once per place.
    static void ReplaceInPlace(std::string& text, const std::string& find, const std::string& replacement);

    // --- Notes filters ----------------------------------------------------
    // Removes comments and tags, keeping paragraph tags.
    static std::string StripTags(const std::string& text);
    // Turns a bare address into a hyperlink unless the text carries markup.
    static std::string AutoLink(const std::string& text);

    // --- Directive processor ----------------------------------------------
    // Runs every template of the style directory; false if any template
    // failed (StyleError names the first failure).
    bool ProcessStyleDirectory(bool toDisk);
    bool ProcessPerSlide(const std::string& fileName, bool toDisk);
    bool ProcessPerPart(const std::string& fileName, bool toDisk);
    // One output file from one template for one slide. False when the
    // template is missing (reported by the usual file check) or breaks off;
    // a broken-off file leaves no output file behind.
    bool ProcessStyleFile(int slide, const std::string& fileName, bool toDisk);
    // The line processor; false on a hard failure (StyleError set).
    bool ProcessTemplate(int slide, const std::string& slidePage, TemplateLines& in, std::ostream& out, bool toDisk);
    // Captures a loop body up to the end word and runs it once per slide or
    // part. Loop bodies are held in memory.
    bool ExpandLoop(const std::string& startWord, const std::string& endWord, int slide, bool active,
                    const std::string& slidePage, TemplateLines& in, std::ostream& out, bool toDisk);
    // Runs one captured loop body for one slide.
    bool RFileGrep(int slide, const std::vector<std::string>& body, const std::string& slidePage, std::ostream& out,
                   bool toDisk);

    // --- Section copy -----------------------------------------------------
    // Copies the section of file between the markers into out; returns the
    // last line written (empty when nothing was).
    std::string CopySection(const std::string& startMarker, const std::string& endMarker, const std::string& file,
                            std::ostream& out, int slide, bool toDisk, bool autoLinks, bool stripTags,
                            bool keepMarkers) const;

    // The notes of a slide as !NOTES copies them (without the automatic
    // links): from its slide page, else from its notes file.
    std::string NotesSource(int slide) const;
    // What !SLIDETEXT writes: the slide's words as HTML paragraphs (plain
    // text, every character of it text).
    void WriteSlideText(int slide, std::ostream& out) const;

    // --- Whole-file replace -----------------------------------------------
    bool ConvertEventUrls(bool toDisk, const std::string& webURL, const std::string& in, const std::string& out);
    bool ReplaceInFile(const std::string& find, const std::string& replacement, const std::string& in,
                       const std::string& out);

private:
    // The status line, in the colour of work under way, and the progress
    // of the step, on the host when there is one.
    void SetStatus(const std::string& text) const;
    void Progress(int64_t done, int64_t total) const;
    bool Fail(const std::string& text);
    // Reads a template of the style directory (reported when missing).
    bool LoadTemplate(const std::string& fileName, std::vector<std::string>& lines);
    // Expands a template read for each of the given slides into its file.
    bool ExpandTemplateFor(const std::vector<int>& slides, const std::string& fileName,
                           const std::vector<std::string>& lines, bool toDisk);
    // Copies a binary file of the style directory into the output as it is.
    bool CopyBinaryFile(const std::string& fileName);
    // One output file from a template already read.
    bool ExpandTemplate(int slide, const std::string& fileName, const std::vector<std::string>& lines, bool toDisk);
    void ApplyDirectives(const std::string& line, int slide, const std::string& slidePage, bool active,
                         std::ostream& out, bool toDisk) const;
    bool Condition(const std::string& line, int slide, bool toDisk) const;
    std::string NotesFile(int slide) const;
    // The lecture directory's files, read once per directory.
    const DirListing& LectureFiles() const;
    // A file of the lecture directory as named on disk (any letter case).
    std::string LectureFile(const std::string& name) const;
    // The lecture's slide pages sldNNN.htm, indexed by slide number.
    const std::vector<std::string>& SlidePagePaths() const;
    int FirstSlideOfPart(int part) const;
    // Where the passes of a loop body are kept (see passTexts_), and one
    // pass of it for one slide, copied from there when it was made before.
    size_t LoopPassSlot(const std::vector<std::string>& body, bool toDisk);
    bool LoopPass(size_t slot, int slide, const std::vector<std::string>& body, const std::string& slidePage,
                  std::ostream& out, bool toDisk);
    // Whether slide i plays from the audio or video part of slide s.
    bool SamePart(int i, int s) const;

    const Lecture& lecture_;
    const PublishSettings& settings_;
    const PageLayout& layout_;
    EngineHost* host_;
    std::string currentTemplate_;
    int64_t loopPasses_ = 0;
    // The lecture's slide page paths, built once per lecture directory.
    mutable std::vector<std::string> pagePaths_;
    mutable std::unique_ptr<DirListing> lectureFiles_;
    mutable std::string lectureFilesDir_;
    // Two lecture files that differ only in letter case (the first found).
    mutable std::string lectureFileError_;
    std::array<std::string, kMaxLoopDepth + 1> lineBuffers_;

    // The text of loop passes made for the template being expanded. A pass
    // reads only its body, its slide and the engine's state at the loop
    // (part restriction, depth, disk or web), none of which the template's
    // own pages change: a table of contents that every page repeats is made
    // once per slide and copied after. A pass that failed or told the user
    // something is never kept, so every later one runs again and tells it
    // again.
    struct LoopPassTexts {
        std::vector<std::string> body;
        bool partRestrict;
        int16_t depth;
        bool toDisk;
        std::vector<std::string> text;  // by slide
        std::vector<int64_t> passes;    // passes each took (0: not made yet)
    };
    std::vector<LoopPassTexts> passTexts_;
    // Set while one template of the style directory is expanded for all its
    // slides or parts; passes are kept only then.
    bool keepPasses_ = false;
    // Counts what a pass reported (messages, failures).
    int64_t reports_ = 0;
};

}  // namespace pellucor
