// SQLite's file names on POSIX systems: the path's own bytes.
#include "ui/log/Sqlite.h"

QByteArray SqliteFileName(const QByteArray& path)
{
    return path;
}
