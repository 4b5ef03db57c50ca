#include "core/ProgressPrinter.h"

namespace pellucor {

namespace {
constexpr int kBarWidth = 40;
}

ProgressPrinter::ProgressPrinter(std::ostream& out, bool terminal, std::chrono::milliseconds minGap, std::string label)
    : out_(out), terminal_(terminal), minGap_(minGap), label_(std::move(label))
{ }

std::string ProgressPrinter::timeLeft() const
{
    const std::string left = timeLeft_.TextAt(percent_);
    return left.empty() ? left : ", " + left;
}

void ProgressPrinter::drawBar()
{
    const int filled = percent_ * kBarWidth / 100;
    // Cleared to the end: the time left may be shorter than before.
    out_ << "\r[" << std::string(filled, '#') << std::string(kBarWidth - filled, '-') << "] " << percent_ << "%"
         << timeLeft() << "\033[K" << std::flush;
    barOnScreen_ = true;
}

void ProgressPrinter::Percent(int percent)
{
    percent_ = percent;
    if (percent == shown_)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (percent < 100 && shown_ >= 0 && now - lastPrint_ < minGap_)
        return;
    lastPrint_ = now;
    shown_ = percent;
    if (terminal_)
        drawBar();
    else
        out_ << label_ << ": " << percent << "%" << timeLeft() << std::endl;
}

void ProgressPrinter::Status(const std::string& text)
{
    if (terminal_ && barOnScreen_)
        out_ << "\r\033[K";
    out_ << "  " << text << std::endl;
    if (terminal_ && barOnScreen_)
        drawBar();
}

void ProgressPrinter::Finish()
{
    if (terminal_ && barOnScreen_)
        out_ << std::endl;
    barOnScreen_ = false;
}

void ProgressPrinter::Restart()
{
    Finish();
    shown_ = -1;
    percent_ = 0;
    timeLeft_.Restart();
}

}  // namespace pellucor
