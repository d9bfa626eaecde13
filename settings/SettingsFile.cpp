// Reading and saving the settings file with the system's own file calls.
#include "settings/SettingsFile.h"

#include "core/General.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#else
#include <QFileInfo>
#include <QSaveFile>
#endif

QByteArray NativeIniPath()
{
    if (!General::IniPathNative.isEmpty() && QFile::decodeName(General::IniPathNative) == General::IniPath) {
        return General::IniPathNative;
    }
    return QFile::encodeName(General::IniPath);
}

#ifdef Q_OS_UNIX

namespace {

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error)) + u'.';
}

WriteResult Failure(const QString& reason)
{
    return {false, reason};
}

// A file descriptor that is closed however the function leaves.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    // A delayed write error (a network file system) shows only here.
    bool Close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result == 0;
    }

private:
    int fd_;
};

// A temporary file that is removed again unless it has taken the old file's place.
class TemporaryName {
public:
    explicit TemporaryName(QByteArray path) : path_(std::move(path)) {}
    ~TemporaryName()
    {
        if (!path_.isEmpty()) {
            ::unlink(path_.constData());
        }
    }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

    const char* get() const { return path_.constData(); }
    void Keep() { path_.clear(); }

private:
    QByteArray path_;
};

QString KindOf(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return QStringLiteral("a folder");
    }
    if (S_ISFIFO(mode)) {
        return QStringLiteral("a named pipe (FIFO)");
    }
    if (S_ISSOCK(mode)) {
        return QStringLiteral("a socket");
    }
    if (S_ISCHR(mode)) {
        return QStringLiteral("a character device");
    }
    if (S_ISBLK(mode)) {
        return QStringLiteral("a block device");
    }
    return QStringLiteral("something that is not a file");
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

QByteArray FolderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        return QByteArrayLiteral(".");
    }
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QString Shown(const QByteArray& path)
{
    return QFile::decodeName(path);
}

// The file Save may write: a regular file, links followed, or a new one where
// nothing is. `existing` is what stands there now.
struct Target {
    QByteArray path;
    bool exists = false;
    struct stat existing {};
};

struct Resolution {
    std::optional<Target> target;
    QString refusal;
};

Resolution Refuse(const QString& why)
{
    return {std::nullopt, why + QStringLiteral(" It was left as it is.")};
}

Resolution ResolveLink(const QByteArray& path)
{
    QByteArray pointsTo(4096, '\0');
    const ssize_t length = ::readlink(path.constData(), pointsTo.data(), pointsTo.size());
    pointsTo.truncate(length < 0 ? 0 : length);
    char* real = ::realpath(path.constData(), nullptr);
    if (real == nullptr) {
        const int error = errno;
        if (error == ENOENT) {
            return Refuse(QStringLiteral("It is a symbolic link to %1, where nothing is.").arg(Shown(pointsTo)));
        }
        if (error == ELOOP) {
            return Refuse(QStringLiteral("It is a symbolic link that leads round in a loop."));
        }
        return Refuse(QStringLiteral("It is a symbolic link that cannot be followed: %1").arg(SystemError(error)));
    }
    const QByteArray resolved(real);
    std::free(real);
    struct stat st {};
    if (::lstat(resolved.constData(), &st) != 0) {
        return Refuse(QStringLiteral("It is a symbolic link to %1, which cannot be examined: %2")
                          .arg(Shown(resolved), SystemError(errno)));
    }
    if (!S_ISREG(st.st_mode)) {
        return Refuse(QStringLiteral("It is a symbolic link to %1, which is %2, not a settings file.")
                          .arg(Shown(resolved), KindOf(st.st_mode)));
    }
    return {Target{resolved, true, st}, {}};
}

Resolution Resolve(const QByteArray& path)
{
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) {
        if (errno == ENOENT) {
            return {Target{path, false, {}}, {}};
        }
        return {std::nullopt, QStringLiteral("It cannot be examined: %1").arg(SystemError(errno))};
    }
    if (S_ISREG(st.st_mode)) {
        return {Target{path, true, st}, {}};
    }
    if (S_ISLNK(st.st_mode)) {
        return ResolveLink(path);
    }
    return Refuse(QStringLiteral("There is %1 at that path, not a settings file.").arg(KindOf(st.st_mode)));
}

// Writes all of `bytes` from the start of the file; 0, or the error.
int WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(fd, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done),
                                         static_cast<off_t>(done));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : ENOSPC;
        }
        done += written;
    }
    return 0;
}

// The missing folders of `folder`, made as the user's own; 0, or the error.
int MakeFolders(const QByteArray& folder)
{
    struct stat st {};
    if (::stat(folder.constData(), &st) == 0) {
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    }
    if (errno != ENOENT) {
        return errno;
    }
    const QByteArray parent = FolderOf(folder);
    if (parent != folder) {
        if (const int error = MakeFolders(parent)) {
            return error;
        }
    }
    return ::mkdir(folder.constData(), 0700) == 0 || errno == EEXIST ? 0 : errno;
}

// A new file beside the settings file, made exclusively; -1 (errno set) on failure.
int CreateTemporary(const QByteArray& folder, mode_t mode, QByteArray& name)
{
    for (int attempt = 0; attempt < 64; ++attempt) {
        name = folder + QByteArrayLiteral("/.Trackpace.ini.") +
               QByteArray::number(QRandomGenerator::global()->generate64(), 16) + QByteArrayLiteral(".tmp");
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Puts `from` at `to` only while nothing stands there; 0, or the error.
int RenameNoReplace(const QByteArray& from, const QByteArray& to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
#endif
    // A hard link, too, fails wherever anything stands.
    if (::link(from.constData(), to.constData()) != 0) {
        return errno;
    }
    ::unlink(from.constData());
    return 0;
}

// The folder takes no new file, or the file may not be replaced by another one
// (a sticky folder, a file that is a mount point), yet the file may be writable.
bool MayWriteInPlace(int error)
{
    return error == EACCES || error == EPERM || error == EBUSY;
}

const QString ChangedMeanwhile =
    QStringLiteral("The file was changed by something else while it was being saved; nothing was written.");

WriteResult WriteInPlace(const Target& target, const QByteArray& bytes)
{
    Descriptor fd(::open(target.path.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        return Failure(SystemError(errno));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || !SameFile(st, target.existing)) {
        return Failure(ChangedMeanwhile);
    }
    if (const int error = WriteAll(fd.get(), bytes)) {
        return Failure(SystemError(error));
    }
    if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd.get()) != 0 || !fd.Close()) {
        return Failure(SystemError(errno));
    }
    return {true, {}};
}

// Gives the temporary file the old file's owner and permissions; false where the
// system does not allow it (only root may give a file away).
bool TakeOverOwnership(int fd, const struct stat& old)
{
    struct stat mine {};
    if (::fstat(fd, &mine) != 0) {
        return false;
    }
    if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        return false;
    }
    // After the owner: a change of owner clears the set-id bits.
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

WriteResult Replace(const Target& target, const QByteArray& bytes)
{
    const QByteArray folder = FolderOf(target.path);
    if (!target.exists) {
        if (const int error = MakeFolders(folder)) {
            return Failure(QStringLiteral("The folder %1 could not be made: %2").arg(Shown(folder), SystemError(error)));
        }
    }
    QByteArray name;
    Descriptor fd(CreateTemporary(folder, target.exists ? 0600 : 0666, name));
    if (fd.get() < 0) {
        const int error = errno;
        return target.exists && MayWriteInPlace(error) ? WriteInPlace(target, bytes) : Failure(SystemError(error));
    }
    TemporaryName temporary(name);
    if (target.exists && !TakeOverOwnership(fd.get(), target.existing)) {
        return WriteInPlace(target, bytes);
    }
    if (const int error = WriteAll(fd.get(), bytes)) {
        return Failure(SystemError(error));
    }
    if (::fsync(fd.get()) != 0 || !fd.Close()) {
        return Failure(SystemError(errno));
    }
    if (!target.exists) {
        const int error = RenameNoReplace(name, target.path);
        if (error == EEXIST) {
            return Failure(QStringLiteral("Something else appeared at that path while saving; it was left as it is."));
        }
        if (error != 0) {
            return Failure(SystemError(error));
        }
        temporary.Keep();
        return {true, {}};
    }
    struct stat now {};
    if (::lstat(target.path.constData(), &now) != 0 || !S_ISREG(now.st_mode) || !SameFile(now, target.existing)) {
        return Failure(ChangedMeanwhile);
    }
    if (::rename(temporary.get(), target.path.constData()) != 0) {
        const int error = errno;
        return MayWriteInPlace(error) ? WriteInPlace(target, bytes) : Failure(SystemError(error));
    }
    temporary.Keep();
    return {true, {}};
}

}  // namespace

bool IsRegularFile(const QByteArray& path)
{
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<QByteArray> ReadRegularFile(const QByteArray& path, qint64 maxBytes)
{
    Descriptor fd(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxBytes) {
        return std::nullopt;
    }
    QByteArray bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            return bytes;
        }
        bytes.append(buffer, got);
        if (bytes.size() > maxBytes) {
            return std::nullopt;
        }
    }
}

WriteResult WriteOwnFile(const QByteArray& path, const QByteArray& bytes)
{
    const Resolution resolution = Resolve(path);
    if (!resolution.target) {
        return Failure(resolution.refusal);
    }
    return Replace(*resolution.target, bytes);
}

#else  // Systems without the POSIX file calls: Qt's files.

bool IsRegularFile(const QByteArray& path)
{
    const QFileInfo info(QFile::decodeName(path));
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

WriteResult WriteOwnFile(const QByteArray& path, const QByteArray& bytes)
{
    QSaveFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return {false, file.errorString()};
    }
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {false, reason};
    }
    if (!file.commit()) {
        return {false, file.errorString()};
    }
    return {true, {}};
}

#endif
