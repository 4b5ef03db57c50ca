// A thread that does one piece of work on every decoded picture (scaling
// and encoding one quality of a stream), fed through a short queue so that
// the decoder goes on with the next picture meanwhile.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

struct AVFrame;

namespace pellucor {

class FrameWorker {
public:
    // Called on the worker's thread with each picture, then once with
    // nullptr at the end; false stops the worker (the work keeps its error).
    using Work = std::function<bool(const AVFrame* frame)>;

    explicit FrameWorker(Work work, size_t depth = 4);
    ~FrameWorker();  // gives up what is queued and waits for the thread
    FrameWorker(const FrameWorker&) = delete;
    FrameWorker& operator=(const FrameWorker&) = delete;

    // Queues a reference to the picture, waiting while the queue is full;
    // false once the work has failed.
    bool push(const AVFrame* frame);
    // Ends the work and waits for it: whether every picture and the end
    // were done.
    bool finish();

private:
    void run();

    Work work_;
    size_t depth_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<AVFrame*> queue_;  // nullptr: the end
    bool failed_ = false, stopping_ = false, done_ = false;
    std::thread thread_;
};

}  // namespace pellucor
