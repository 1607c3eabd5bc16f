#pragma once
#include <QFile>
#include <QString>
#include <csignal>
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

}
