// Drives real windows the way a user would, also through their modal
// loops: a list of steps, each a condition and an action, checked every
// few milliseconds by a timer (timers run inside every event loop, so a
// step can act on a dialog that another step's click opened and is
// waiting in). A step acts once, when its condition first holds; the next
// step waits for the one before it.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace pellucor::testing_support {

class UiDriver {
public:
    explicit UiDriver(int timeoutMs = 30000) : timeoutMs_(timeoutMs)
    {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        clock_.start();
    }

    // Adds a step; name says what it waits for when it never comes.
    UiDriver& when(std::string name, std::function<bool()> condition, std::function<void()> action)
    {
        steps_.push_back({std::move(name), std::move(condition), std::move(action)});
        return *this;
    }
    // A step that waits ms milliseconds after the step before it.
    UiDriver& after(int ms, std::string name, std::function<void()> action)
    {
        auto since = std::make_shared<qint64>(-1);
        return when(
            std::move(name),
            [this, ms, since] {
                if (*since < 0)
                    *since = clock_.elapsed();
                return clock_.elapsed() - *since >= ms;
            },
            std::move(action));
    }

    void start()
    {
        stepStarted_ = clock_.elapsed();
        timer_.start();
    }
    // Runs the event loop until every step acted (or one timed out).
    void run()
    {
        start();
        while (!done())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    bool done() const { return (steps_.empty() && !acting_) || failed_; }
    bool failed() const { return failed_; }
    const std::string& failure() const { return failure_; }

    // The visible top-level window with that title, or null.
    static QWidget* window(const QString& title)
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == title)
                return w;
        return nullptr;
    }
    // The button with that text inside parent, or null.
    static QAbstractButton* button(QWidget* parent, const QString& text)
    {
        if (!parent)
            return nullptr;
        for (QAbstractButton* b : parent->findChildren<QAbstractButton*>())
            if (b->text() == text && b->isVisible())
                return b;
        return nullptr;
    }

private:
    struct Step {
        std::string name;
        std::function<bool()> condition;
        std::function<void()> action;
    };

    void tick()
    {
        if (steps_.empty() || failed_)
            return;
        if (clock_.elapsed() - stepStarted_ > timeoutMs_) {
            failed_ = true;
            failure_ = "timed out waiting for: " + steps_.front().name;
            ADD_FAILURE() << failure_;
            timer_.stop();
            // Close whatever is open so that the modal loops end.
            for (QWidget* w : QApplication::topLevelWidgets())
                w->close();
            return;
        }
        if (!steps_.front().condition())
            return;
        Step step = std::move(steps_.front());
        steps_.pop_front();
        stepStarted_ = clock_.elapsed();
        if (qEnvironmentVariableIsSet("PELLUCOR_UI_TRACE"))
            std::fprintf(stderr, "[ui %6lld ms] %s\n", static_cast<long long>(clock_.elapsed()), step.name.c_str());
        // An action may open a modal loop of its own: it runs from a timer
        // of its own so that this one (which Qt does not fire again while it
        // is still being handled) goes on checking the later steps from
        // inside that loop.
        ++acting_;
        QTimer::singleShot(0, [this, action = std::move(step.action)] {
            action();
            --acting_;
        });
        if (steps_.empty())
            timer_.stop();
    }

    QTimer timer_;
    QElapsedTimer clock_;
    std::deque<Step> steps_;
    qint64 stepStarted_ = 0;
    int timeoutMs_;
    bool failed_ = false;
    int acting_ = 0;  // actions started and not yet returned
    std::string failure_;
};

}  // namespace pellucor::testing_support
