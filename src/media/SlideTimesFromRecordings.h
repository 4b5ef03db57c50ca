// The slide times of the parts that have no events file, found from their
// recordings as sync-slides finds them, for a publish that is asked to.
#pragma once

#include <atomic>

#include "core/SlideTimesMaker.h"

namespace pellucor {

class SlideTimesFromRecordings : public SlideTimesMaker {
public:
    bool MakeMissing(const std::string& slideDir, const std::string& mediaDir, const std::string& lecName,
                     const std::function<void(double, const std::string&)>& progress, std::string& err) override;
    void Cancel() override { cancel_ = true; }
    bool Cancelled() const override { return cancel_; }

private:
    std::atomic<bool> cancel_ {false};
};

}  // namespace pellucor
