// Ctrl-C (SIGINT) and SIGTERM while a command's work runs: the signal asks
// the work to stop (its Cancel, which must be one atomic store: all a
// signal handler may do) and is remembered for the exit code. The default
// handling comes back when the guard goes.
#pragma once

#include <csignal>

namespace pellucor {

template <class Work> class SignalStop {
public:
    explicit SignalStop(Work& work)
    {
        work_ = &work;
        signal_ = 0;
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }
    ~SignalStop()
    {
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);
        work_ = nullptr;
    }
    SignalStop(const SignalStop&) = delete;
    SignalStop& operator=(const SignalStop&) = delete;

    // The signal that came (0: none).
    int Signal() const { return signal_; }

private:
    static void onSignal(int signo)
    {
        signal_ = signo;
        if (work_)
            work_->Cancel();
    }
    static inline Work* work_ = nullptr;
    static inline volatile std::sig_atomic_t signal_ = 0;
};

}  // namespace pellucor
