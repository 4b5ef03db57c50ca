#include "media/SoundSplicer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pellucor {

namespace {

// Gains of a fade at step i of n: rising (sine) and falling (cosine), whose
// squares add up to one.
double rising(int64_t i, int64_t n) { return std::sin(std::numbers::pi / 2 * (static_cast<double>(i) + 0.5) / n); }
double falling(int64_t i, int64_t n) { return std::cos(std::numbers::pi / 2 * (static_cast<double>(i) + 0.5) / n); }

}  // namespace

SoundSplicer::SoundSplicer(const std::vector<Range>& kept, int64_t inputLength, int channels, int64_t fade)
    : channels_(channels)
{
    const auto len = [](const Range& r) { return r.to - r.from; };
    const auto add = [this](Piece::Kind kind, int64_t from, int64_t length, int64_t from2 = 0) {
        if (length <= 0)
            return;
        Piece p;
        p.kind = kind;
        p.from = from;
        p.length = length;
        p.from2 = from2;
        if (kind != Piece::Plain) {
            p.a.assign(static_cast<size_t>(channels_), std::vector<float>(static_cast<size_t>(length), 0.0f));
            if (kind == Piece::Mix)
                p.b = p.a;
        }
        pieces_.push_back(std::move(p));
    };
    // Half of the crossfade at each join: no more than half of either side.
    std::vector<int64_t> half(kept.size() + 1, 0);
    for (size_t k = 1; k < kept.size(); ++k)
        half[k] = std::min({fade, len(kept[k - 1]) / 2, len(kept[k]) / 2});
    if (!kept.empty()) {
        half[0] = kept.front().from > 0 ? std::min(fade, len(kept.front()) / 2) : 0;
        half[kept.size()] = kept.back().to < inputLength ? std::min(fade, len(kept.back()) / 2) : 0;
    }
    for (size_t k = 0; k < kept.size(); ++k) {
        const Range& r = kept[k];
        if (k == 0)
            add(Piece::FadeIn, r.from, half[0]);
        else
            add(Piece::Mix, kept[k - 1].to - half[k], 2 * half[k], r.from - half[k]);
        const int64_t right = k + 1 == kept.size() ? half[kept.size()] : half[k + 1];
        add(Piece::Plain, r.from + half[k], len(r) - half[k] - right);
        if (k + 1 == kept.size())
            add(Piece::FadeOut, r.to - right, right);
    }
}

void SoundSplicer::hold(Piece& piece, const float* const* planes, int64_t at, int64_t count)
{
    const auto copy = [&](std::vector<std::vector<float>>& into, int64_t from, int64_t& held) {
        const int64_t lo = std::max(at, from), hi = std::min(at + count, from + piece.length);
        if (lo >= hi)
            return;
        for (int c = 0; c < channels_; ++c)
            std::copy(planes[c] + (lo - at), planes[c] + (hi - at), into[static_cast<size_t>(c)].begin() + (lo - from));
        held = std::max(held, hi - from);
    };
    copy(piece.a, piece.from, piece.heldA);
    if (piece.kind == Piece::Mix)
        copy(piece.b, piece.from2, piece.heldB);
}

bool SoundSplicer::complete(const Piece& piece) const
{
    return piece.heldA >= piece.length && (piece.kind != Piece::Mix || piece.heldB >= piece.length);
}

void SoundSplicer::sendOut(Piece& piece, const Sink& out)
{
    const int64_t n = piece.length;
    std::vector<float*> planes;
    for (int c = 0; c < channels_; ++c) {
        std::vector<float>& a = piece.a[static_cast<size_t>(c)];
        for (int64_t i = 0; i < n; ++i) {
            const auto s = static_cast<size_t>(i);
            switch (piece.kind) {
            case Piece::Mix:
                a[s] = static_cast<float>(a[s] * falling(i, n) + piece.b[static_cast<size_t>(c)][s] * rising(i, n));
                break;
            case Piece::FadeIn: a[s] = static_cast<float>(a[s] * rising(i, n)); break;
            case Piece::FadeOut: a[s] = static_cast<float>(a[s] * falling(i, n)); break;
            case Piece::Plain: break;
            }
        }
        planes.push_back(a.data());
    }
    out(planes.data(), n);
    piece.a.clear();
    piece.b.clear();
}

void SoundSplicer::Push(const float* const* planes, int64_t count, const Sink& out)
{
    const int64_t at = at_;
    at_ += count;
    while (next_ < pieces_.size()) {
        Piece& piece = pieces_[next_];
        if (piece.kind == Piece::Plain) {
            const int64_t lo = std::max(at, piece.from), hi = std::min(at + count, piece.from + piece.length);
            if (hi > lo) {
                std::vector<const float*> part;
                for (int c = 0; c < channels_; ++c)
                    part.push_back(planes[c] + (lo - at));
                out(part.data(), hi - lo);
            }
            if (at + count < piece.from + piece.length)
                return;
        } else {
            hold(piece, planes, at, count);
            if (!complete(piece))
                return;
            sendOut(piece, out);
        }
        ++next_;
    }
}

void SoundSplicer::Finish(const Sink& out)
{
    // A fade or join already begun goes out whole; a sound that ends early
    // is not made longer.
    if (next_ < pieces_.size() && pieces_[next_].kind != Piece::Plain && pieces_[next_].heldA > 0)
        sendOut(pieces_[next_], out);
    next_ = pieces_.size();
}

}  // namespace pellucor
