// Marks a claim as alive once a second on a thread of its own, from the
// moment it is taken until it is finished, so that a long copy or publish
// never lets the claim look stale to another host. A stopped process
// stops its heartbeat too, and its claim goes stale as it should.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace pellucor {

class ClaimHeartbeat {
public:
    explicit ClaimHeartbeat(std::string claimDir);
    ~ClaimHeartbeat();
    ClaimHeartbeat(const ClaimHeartbeat&) = delete;
    ClaimHeartbeat& operator=(const ClaimHeartbeat&) = delete;

private:
    std::string dir_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace pellucor
