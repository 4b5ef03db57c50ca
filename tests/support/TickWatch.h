// A timer whose ticks measure how late they come: the longest the event
// loop was kept from running while it ticked. Each tick may also act.
#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace pellucor::testing_support {

class TickWatch {
public:
    // onTick gets the milliseconds since the watch started.
    TickWatch(int intervalMs, std::function<void(qint64)> onTick) : interval_(intervalMs), onTick_(std::move(onTick))
    {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            worstLate_ = std::max(worstLate_, now - last_ - interval_);
            last_ = now;
            if (onTick_)
                onTick_(now);
        });
        clock_.start();
        timer_.start(intervalMs);
    }
    void Stop() { timer_.stop(); }
    qint64 WorstLate() const { return worstLate_; }
    qint64 Elapsed() const { return clock_.elapsed(); }

private:
    int interval_;
    std::function<void(qint64)> onTick_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 worstLate_ = 0;
};

}  // namespace pellucor::testing_support
