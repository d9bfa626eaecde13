// SQLite's file names on POSIX systems: the path's own bytes.
#include "log/Sqlite.h"

QByteArray SqliteFileName(const QByteArray& path)
{
    return path;
}
