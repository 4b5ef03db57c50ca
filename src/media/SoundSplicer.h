// Joins the kept stretches of a sound so that no click is heard where a
// cut was: across each join the sound before it fades out while the sound
// after it fades in (equal power), centred on the join, so the joined
// sound is exactly as long as the stretches kept; a sound cut at its start
// fades in, one cut at its end fades out. Samples are planar floats and
// counted from the first of the input; they are pushed in as they are
// decoded and come out as soon as they are ready.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace pellucor {

class SoundSplicer {
public:
    using Sink = std::function<void(const float* const* planes, int64_t count)>;

    struct Range {
        int64_t from = 0, to = 0;  // input samples, to not included
    };

    // kept: the ranges of the input that stay, in order and apart, within
    // an input of inputLength samples; fade: samples of half a crossfade.
    SoundSplicer(const std::vector<Range>& kept, int64_t inputLength, int channels, int64_t fade);

    // The next count input samples.
    void Push(const float* const* planes, int64_t count, const Sink& out);
    // The input ended: a fade or join begun goes out (silence for what
    // never came).
    void Finish(const Sink& out);

private:
    struct Piece {
        enum Kind { Plain, Mix, FadeIn, FadeOut } kind = Plain;
        int64_t from = 0, length = 0;  // the input range (Mix: the one fading out)
        int64_t from2 = 0;             // Mix: the start of the range fading in
        std::vector<std::vector<float>> a, b;
        int64_t heldA = 0, heldB = 0;  // samples held (the last index reached + 1, from from / from2)
    };

    void hold(Piece& piece, const float* const* planes, int64_t at, int64_t count);
    bool complete(const Piece& piece) const;
    void sendOut(Piece& piece, const Sink& out);

    std::vector<Piece> pieces_;
    size_t next_ = 0;
    int channels_;
    int64_t at_ = 0;  // input samples pushed so far
};

}  // namespace pellucor
