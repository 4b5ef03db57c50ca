#include "ModelServer.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <regex>

#include "TestSupport.h"

namespace pellucor::testing_support {

ModelServer::ModelServer(const std::string& root, int holdAfter, bool noRange)
{
    QStringList args {QString::fromStdString(sourceDir() + "tests/support/model_server.py"), "--root",
                      QString::fromStdString(root), "--hold-after", QString::number(holdAfter)};
    if (noRange)
        args << "--no-range";
    process_.start("python3", args);
    std::smatch m;
    if (WaitFor("\n") && std::regex_search(log_, m, std::regex("PORT=(\\d+)")))
        port_ = std::stoi(m[1]);
}

bool ModelServer::WaitFor(const std::string& text)
{
    while (log_.find(text) == std::string::npos) {
        if (!process_.waitForReadyRead(60000))
            return false;
        log_ += process_.readAllStandardOutput().toStdString();
    }
    return true;
}

std::string ModelServer::Log()
{
    process_.waitForReadyRead(0);
    return log_ += process_.readAllStandardOutput().toStdString();
}

void ModelServer::Kill()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished(10000);
}

int ClosedPort()
{
    // Bound for a moment to be handed a free port, which is free again once closed.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

}  // namespace pellucor::testing_support
