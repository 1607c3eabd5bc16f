#pragma once
// A named pipe whose opening, should the code under test wrongly wait there,
// is released after a few seconds: the test then fails instead of hanging.
#include <QFile>
#include <QString>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace hrtest {

class NamedPipe {
public:
    explicit NamedPipe(const QString& path) : path_(QFile::encodeName(path))
    {
        made = ::mkfifo(path_.constData(), 0600) == 0;
        std::signal(SIGPIPE, SIG_IGN);   // a writer let through must not end the test
        if (made) releaser_ = std::thread([this] {
            for (int i = 0; i < 30 && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (done_) return;
            waited_ = true;
            const int fd = ::open(path_.constData(), O_RDWR | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        });
    }
    ~NamedPipe() { finish(); }
    // Whether something waited at the pipe until it was released.
    bool finish()
    {
        done_ = true;
        if (releaser_.joinable()) releaser_.join();
        return waited_;
    }
    bool made = false;

private:
    QByteArray path_;
    std::atomic<bool> done_{false}, waited_{false};
    std::thread releaser_;
};

}
