// How long a piece of long work still has to run, judged from how far its
// percent figure has come in the time since it started (the figure must
// move with the time the work takes), and the words a user reads for it.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace pellucor {

class TimeLeft {
public:
    using Clock = std::chrono::steady_clock;

    explicit TimeLeft(Clock::time_point start = Clock::now()) : start_(start) { }

    // Starts the clock again.
    void Restart(Clock::time_point start = Clock::now()) { start_ = start; }
    // Seconds left at percent (of 100) reached at now; nothing until the
    // work has run long enough and come far enough for a fair guess.
    std::optional<double> Seconds(double percent, Clock::time_point now = Clock::now()) const;
    // "about 5 min left", "less than a minute left", "about 1 h 10 min left".
    static std::string Text(double seconds);
    // Text(Seconds(...)), or "" when there is no guess yet.
    std::string TextAt(double percent, Clock::time_point now = Clock::now()) const;

private:
    Clock::time_point start_;
};

}  // namespace pellucor
