#include "media/FrameWorker.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace pellucor {

FrameWorker::FrameWorker(Work work, size_t depth) : work_(std::move(work)), depth_(depth ? depth : 1)
{
    thread_ = std::thread([this] { run(); });
}

FrameWorker::~FrameWorker()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
    for (AVFrame* f : queue_)
        av_frame_free(&f);
}

bool FrameWorker::push(const AVFrame* frame)
{
    AVFrame* copy = av_frame_clone(frame);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return failed_ || queue_.size() < depth_; });
    if (failed_ || !copy) {
        av_frame_free(&copy);
        return false;
    }
    queue_.push_back(copy);
    changed_.notify_all();
    return true;
}

bool FrameWorker::finish()
{
    {
        std::unique_lock lock(mutex_);
        if (!failed_)
            queue_.push_back(nullptr);
        changed_.notify_all();
        changed_.wait(lock, [this] { return failed_ || done_; });
    }
    thread_.join();
    return !failed_;
}

void FrameWorker::run()
{
    for (;;) {
        AVFrame* frame = nullptr;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            frame = queue_.front();
            queue_.pop_front();
            changed_.notify_all();
        }
        const bool end = !frame;
        const bool ok = work_(frame);
        av_frame_free(&frame);
        if (!ok || end) {
            std::lock_guard lock(mutex_);
            (ok ? done_ : failed_) = true;
            changed_.notify_all();
            return;
        }
    }
}

}  // namespace pellucor
