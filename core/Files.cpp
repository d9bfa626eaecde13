// Folders of paths, and writing a file whole or not at all.
#include "core/Files.h"

#include <QSaveFile>

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

std::optional<QString> WriteAll(QFileDevice& file, QByteArrayView bytes, qint64* written)
{
    qint64 done = 0;
    std::optional<QString> failure;
    while (done < bytes.size() && !failure) {
        const qint64 now = file.write(bytes.data() + done, bytes.size() - done);
        if (now <= 0) {
            failure = file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("The disk is full.");
        } else {
            done += now;
        }
    }
    if (!failure && !file.flush()) {
        failure = file.errorString();
    }
    if (written != nullptr) {
        *written = done;
    }
    return failure;
}

std::optional<QString> WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Unbuffered: a full disk shows in write() itself, not only at commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return file.errorString();
    }
    if (const std::optional<QString> failure = WriteAll(file, bytes)) {
        file.cancelWriting();
        return failure;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}
