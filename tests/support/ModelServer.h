// The tests' own web server (model_server.py) serving the files of a
// folder with byte ranges, for the speech model downloads: it can stop
// sending mid-file and be killed there, and it logs each request with the
// range asked and the bytes sent.
#pragma once

#include <QProcess>

#include <string>

namespace pellucor::testing_support {

class ModelServer {
public:
    // holdAfter >= 0: sends that many bytes of each file, then nothing more.
    explicit ModelServer(const std::string& root, int holdAfter = -1, bool noRange = false);
    ~ModelServer() { Kill(); }

    bool Started() const { return port_ > 0; }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // Waits (at most 60 s) until the request log holds text.
    bool WaitFor(const std::string& text);
    std::string Log();
    // Ends it at once (SIGKILL), connections open or not.
    void Kill();

private:
    QProcess process_;
    std::string log_;
    int port_ = 0;
};

// A port of this machine on which nothing listens.
int ClosedPort();

}  // namespace pellucor::testing_support
