// SQLite's file names on Windows: UTF-8, which SQLite hands to the system as UTF-16.
#include "log/Sqlite.h"

#include <QFile>

QByteArray SqliteFileName(const QByteArray& path)
{
    return QFile::decodeName(path).toUtf8();
}
