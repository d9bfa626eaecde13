// Reading and saving the settings file with Qt's files, on Windows.
#include "settings/SettingsFile.h"

#include "core/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool IsRegularFile(const QByteArray& path)
{
    const QFileInfo info(QFile::decodeName(path));
    // Hidden and system files are not the user's settings.
    return info.isFile() && !info.isHidden();
}

std::optional<QByteArray> ReadRegularFile(const QByteArray& path, qint64 maxBytes)
{
    QFile file(QFile::decodeName(path));
    if (file.size() > maxBytes || !file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > maxBytes) {
        return std::nullopt;
    }
    return bytes;
}

WriteResult WriteOwnFile(const QByteArray& path, const QByteArray& bytes, const ContentWrite& write)
{
    // The whole file is replaced at once (QSaveFile), so `write` has no half-written
    // file to leave behind here.
    Q_UNUSED(write);
    const QString name = QFile::decodeName(path);
    const QFileInfo info(name);
    if (info.exists() && !info.isFile()) {
        return {false, QStringLiteral("There is a folder or another thing at that path, not a settings file. It was "
                                      "left as it is.")};
    }
    if (info.exists() && !info.isWritable()) {
        return {false, QStringLiteral("The file is read-only. It was left as it is.")};
    }
    if (!info.dir().exists() && !info.dir().mkpath(QStringLiteral("."))) {
        return {false, QStringLiteral("The folder %1 could not be made.").arg(info.dir().path())};
    }
    if (const std::optional<QString> failure = WriteWholeFile(name, bytes)) {
        return {false, *failure};
    }
    return {true, {}};
}
