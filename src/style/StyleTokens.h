// The substitution tokens of a style's templates, as one table: each
// token's three characters, what it stands for, and how its value is made
// for the slide a line is written for. The engine applies them in table
// order; a value holding a later token has that token replaced too.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "core/Lecture.h"
#include "core/PublishSettings.h"
#include "style/PageLayout.h"

namespace pellucor {

// What a token's value is made from: the lecture, the settings and the
// layout, and the slide (clamped to 0..kMaxSlides) with its neighbours.
struct TokenSlide {
    const Lecture& lecture;
    const PublishSettings& settings;
    const PageLayout& layout;
    int slide;  // this slide
    int prev;   // the slide before it (itself for the first)
    int next;   // the slide after it (itself for the last)
    bool toDisk;
    // Room for a value computed on the spot; a value is used before the
    // next one is asked for.
    std::string& scratch;

    // The part a slide plays in: its audio part when this slide has audio,
    // else its video part (-1 for none).
    int part(int s) const;
};

struct StyleToken {
    std::string_view text;
    std::string_view meaning;
    std::string_view (*value)(const TokenSlide&);
};

inline constexpr size_t kStyleTokenCount = 48;
// How many characters of a slide's text its picture's alt text holds.
inline constexpr size_t kAltChars = 150;
extern const std::array<StyleToken, kStyleTokenCount> kStyleTokens;

// What a caption track is called on the pages and in players: its
// language's name, with "(automatic)" or "(machine-translated)" after it.
std::string CaptionsLabel(const Part::CaptionTrack& track);

// Plain text written for HTML: < > " and & as character references.
std::string PlainTextAsHtml(std::string_view text);

// The address of the course page above the publication being written
// (its target, as deep as the staging directory it is built in), relative
// to the publication; empty when no course is above it.
std::string CoursePageOf(const PublishSettings& settings, bool toDisk);

}  // namespace pellucor
