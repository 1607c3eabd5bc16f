#pragma once
#include "platform/db/connection.h"
#include <QFile>
#include <QString>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hrtest {

// A writer in rollback-journal mode killed in the middle of a transaction, as
// another program or this one can be: its change half in the file, the
// journal beside it. The caller must have no connection open on the file.
inline void killWriterMidTransaction(const QString& path, const char* statements)
{
    const QByteArray name = QFile::encodeName(path);
    const pid_t pid = ::fork();
    if (pid == 0) {
        sqlite3* h = nullptr;
        sqlite3_open(name.constData(), &h);
        // A cache of a few pages makes the change reach the file before the end.
        const bool ok = sqlite3_exec(h, "PRAGMA journal_mode=DELETE; PRAGMA cache_size=2; BEGIN", nullptr, nullptr,
                                     nullptr) == SQLITE_OK
            && sqlite3_exec(h, statements, nullptr, nullptr, nullptr) == SQLITE_OK;
        if (!ok) ::_exit(1);
        ::kill(::getpid(), SIGKILL);
        ::_exit(2);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the writer failed before its kill";
}

// Runs `work` in a child process on a connection of its own to `path`, as
// another run of the program, and kills it once the engine has done about
// `steps` thousand steps of its statements. True if the work ended first.
// The caller must have no connection open on the file.
inline bool killedDuring(const QString& path, int steps, const std::function<void(db::Connection&)>& work)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        static int left = 0;
        left = steps;
        db::Connection c(path);
        sqlite3_progress_handler(c.handle(), 1000, [](void*) {
            if (--left <= 0) ::kill(::getpid(), SIGKILL);
            return 0;
        }, nullptr);
        try {
            work(c);
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    EXPECT_GT(pid, 0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    EXPECT_TRUE(killed || (WIFEXITED(status) && WEXITSTATUS(status) == 0)) << "the work failed before its kill";
    return !killed;
}

}
