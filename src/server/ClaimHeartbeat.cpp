#include "server/ClaimHeartbeat.h"

#include <chrono>

#include "core/ClaimJournal.h"

namespace pellucor {

ClaimHeartbeat::ClaimHeartbeat(std::string claimDir) : dir_(std::move(claimDir))
{
    thread_ = std::thread([this] {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            ClaimJournal::Touch(dir_);
            wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; });
        }
    });
}

ClaimHeartbeat::~ClaimHeartbeat()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

}  // namespace pellucor
