// How a publish is going and how it ended: the one record that the job
// running it writes and every caller reads (the session is one). Its step,
// percent, status line and targets come as signals raised on the job's
// worker thread (a receiver on another thread gets them queued, one that
// waits connects directly); its outcome can also be asked for or waited for.
#pragma once

#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "core/StatusColours.h"

namespace pellucor {

enum class PublishOutcome { None, Running, Succeeded, Failed, Cancelled };

class PublishProgress : public QObject {
    Q_OBJECT
public:
    explicit PublishProgress(QObject* parent = nullptr) : QObject(parent) { }

    // The status line (kept, logged and raised).
    void SetStatus(const std::string& text, uint32_t colour);
    // A publish starts: running, at 0%.
    void Begin();
    // It ended (a cancel also shows its text as the status); waiters wake.
    void End(PublishOutcome outcome, const std::string& error);
    // Blocks until the publish has ended, calling tick every intervalMs.
    void WaitEnded(const std::function<void()>& tick, int intervalMs);

    bool Running() const;
    PublishOutcome Result() const;
    std::string Error() const;
    std::string StatusLine() const;
    uint32_t StatusColour() const;

signals:
    void runningChanged(bool running);
    void stepChanged(int step, const QString& name);
    void progressChanged(int percent);
    // The time the publish still takes, in words ("about 5 min left"); ""
    // while there is no fair guess.
    void timeLeftChanged(const QString& text);
    void statusChanged(const QString& text, uint colourBgr);
    // A target was written: its script was started, or is left for the
    // user to run (command is the quoted script).
    void targetPublished(bool isDisk, const QString& command, bool started);
    // A target's publication was checked and put in place: students can use
    // it from now on (the lecture as one video, where asked for, follows).
    void publicationInPlace(bool isDisk, const QString& output);
    // The lecture as one video, written after the publications are in
    // place: its own percent, and its own time left ("" without a guess).
    void videoProgressChanged(int percent, const QString& timeLeft);
    void finished(PublishOutcome outcome, const QString& error);

private:
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    PublishOutcome outcome_ = PublishOutcome::None;
    std::string error_;
    std::string status_ = "Start Up";
    uint32_t colour_ = kColourWhite;
};

}  // namespace pellucor
