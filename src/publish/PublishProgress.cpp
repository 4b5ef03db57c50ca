#include "publish/PublishProgress.h"

#include <chrono>

#include "core/TavUtils.h"

namespace pellucor {

void PublishProgress::SetStatus(const std::string& text, uint32_t colour)
{
    {
        std::lock_guard lock(mutex_);
        status_ = text;
        colour_ = colour;
    }
    Tav_DebugLog("Status: " + text);
    emit statusChanged(QString::fromStdString(text), colour);
}

void PublishProgress::Begin()
{
    {
        std::lock_guard lock(mutex_);
        outcome_ = PublishOutcome::Running;
        error_.clear();
    }
    emit runningChanged(true);
    emit progressChanged(0);
}

void PublishProgress::End(PublishOutcome outcome, const std::string& error)
{
    if (outcome == PublishOutcome::Cancelled)
        SetStatus(error, kColourYellow);
    {
        std::lock_guard lock(mutex_);
        outcome_ = outcome;
        error_ = error;
    }
    ended_.notify_all();
    emit runningChanged(false);
    emit finished(outcome, QString::fromStdString(error));
}

void PublishProgress::WaitEnded(const std::function<void()>& tick, int intervalMs)
{
    std::unique_lock lock(mutex_);
    while (outcome_ == PublishOutcome::Running) {
        ended_.wait_for(lock, std::chrono::milliseconds(intervalMs));
        if (tick) {
            lock.unlock();
            tick();
            lock.lock();
        }
    }
}

bool PublishProgress::Running() const
{
    std::lock_guard lock(mutex_);
    return outcome_ == PublishOutcome::Running;
}

PublishOutcome PublishProgress::Result() const
{
    std::lock_guard lock(mutex_);
    return outcome_;
}

std::string PublishProgress::Error() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

std::string PublishProgress::StatusLine() const
{
    std::lock_guard lock(mutex_);
    return status_;
}

uint32_t PublishProgress::StatusColour() const
{
    std::lock_guard lock(mutex_);
    return colour_;
}

}  // namespace pellucor

#include "moc_PublishProgress.cpp"
