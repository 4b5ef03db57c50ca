// Ctrl-C (SIGINT) and SIGTERM while a command's work runs: the signal asks
// the work to stop (its Cancel, which must be one atomic store: all a
// signal handler may do) and is remembered for the exit code. The default
// handling comes back when the guard goes.
#pragma once

#include <csignal>

#include <atomic>

namespace pellucor {

// The work's Cancel for work that watches a flag.
struct CancelFlag {
    std::atomic<bool> flag {false};
    void Cancel() { flag = true; }
};

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
    // The exit code of a command stopped by it: 128 + the signal (130 for
    // Ctrl-C), as a shell reports a process the signal ended.
    int ExitCode() const { return 128 + signal_; }

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
