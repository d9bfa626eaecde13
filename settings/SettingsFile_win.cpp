// Reading and saving the settings file with Qt's files, on Windows.
#include "settings/SettingsFile.h"

#include "core/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <windows.h>

namespace {

// The file's attributes (hidden, system, archive …), or nothing where it has none to keep.
std::optional<DWORD> AttributesOf(const QString& name)
{
    const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(name).utf16()));
    return attributes == INVALID_FILE_ATTRIBUTES ? std::nullopt : std::optional<DWORD>(attributes);
}

void SetAttributes(const QString& name, DWORD attributes)
{
    SetFileAttributesW(reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(name).utf16()), attributes);
}

}  // namespace

bool IsRegularFile(const QByteArray& path)
{
    // A file the user marked hidden or system is still the user's settings.
    return QFileInfo(PathText(path)).isFile();
}

std::optional<QByteArray> ReadRegularFile(const QByteArray& path, qint64 maxBytes)
{
    QFile file(PathText(path));
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
    const QString name = PathText(path);
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
    // The new file keeps the old one's attributes (a hidden file stays hidden), as on
    // other systems it keeps its owner and permissions; the replacing goes through
    // while they are lifted.
    const std::optional<DWORD> kept = info.exists() ? AttributesOf(name) : std::nullopt;
    constexpr DWORD Lifted = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (kept && (*kept & Lifted) != 0) {
        SetAttributes(name, *kept & ~Lifted);
    }
    const std::optional<QString> failure = WriteWholeFile(name, bytes);
    if (kept) {
        SetAttributes(name, *kept);
    }
    if (failure) {
        return {false, *failure};
    }
    return {true, {}};
}
