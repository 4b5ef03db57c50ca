// Progress of a publish on a terminal or in a log: on a terminal one bar
// redrawn in place; otherwise plain lines with the percent figure, for
// logs and the server. Either way a few updates per second at most, with
// the time left once there is a fair guess of it.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "core/TimeLeft.h"

namespace pellucor {

class ProgressPrinter {
public:
    // label names the work on the percent lines ("Publishing: 42%").
    ProgressPrinter(std::ostream& out, bool terminal, std::chrono::milliseconds minGap = std::chrono::milliseconds(250),
                    std::string label = "Publishing");

    // A new percent figure; printed when it differs from the last one and
    // enough time has passed (100 is always printed).
    void Percent(int percent);
    // A status line; printed on a line of its own (above the bar).
    void Status(const std::string& text);
    // Ends the bar's line.
    void Finish();
    // Ends the bar's line and starts over for another publish.
    void Restart();

private:
    void drawBar();
    std::string timeLeft() const;

    std::ostream& out_;
    bool terminal_;
    std::chrono::milliseconds minGap_;
    std::string label_;
    std::chrono::steady_clock::time_point lastPrint_ {};
    int shown_ = -1;
    int percent_ = 0;
    bool barOnScreen_ = false;
    TimeLeft timeLeft_;
};

}  // namespace pellucor
