// Creates a new, nearly empty database file for the program.
#include "data/create_db.h"
#include "platform/db/error.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: mkdb <file> <operator-name> <password>\n"
                             "Creates the database file with one operator and the standard lists.\n");
        return 2;
    }
    try {
        data::createDatabase(args[1], args[2], args[3]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkdb: %s\n", e.what());
        return 1;
    }
    std::printf("mkdb: created %s with operator %s\n", args[1].toLocal8Bit().constData(), args[2].toLocal8Bit().constData());
    return 0;
}
