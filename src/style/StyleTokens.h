// The substitution tokens of a style's templates, as one table: each
// token's three characters, what it stands for, and how its value is made
// for the slide a line is written for. The engine applies them in table
// order; a value holding a later token has that token replaced too.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace pellucor {

class StyleEngine;

// What a token's value is made from: the engine's lecture and settings and
// the slide (clamped to the table) with its neighbours.
struct TokenSlide {
    const StyleEngine& engine;
    int slide;  // this slide, 0..kMaxSlides
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

inline constexpr size_t kStyleTokenCount = 37;
extern const std::array<StyleToken, kStyleTokenCount> kStyleTokens;

}  // namespace pellucor
