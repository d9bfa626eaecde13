// Reading and saving the settings file with the POSIX file calls.
#include "settings/SettingsFile.h"

#include "core/Files.h"

#include <QFile>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

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

// A temporary file in the folder that is removed again unless it has taken the old
// file's place.
class TemporaryName {
public:
    TemporaryName(int folder, QByteArray name) : folder_(folder), name_(std::move(name)) {}
    ~TemporaryName()
    {
        if (!name_.isEmpty()) {
            ::unlinkat(folder_, name_.constData(), 0);
        }
    }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

    const char* get() const { return name_.constData(); }
    void Keep() { name_.clear(); }

private:
    int folder_;
    QByteArray name_;
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

QByteArray NameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QString Shown(const QByteArray& path)
{
    return PathText(path);
}

// A user may change a file only where its permissions say so for them: a settings
// file made read-only means "do not change it", whatever its folder allows. Root is
// held to the same word: no write permission for anybody is a read-only file.
bool WritableFor(const struct stat& st)
{
    const uid_t user = ::geteuid();
    if (user == 0) {
        return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
    }
    if (st.st_uid == user) {
        return (st.st_mode & S_IWUSR) != 0;
    }
    if (st.st_gid == ::getegid()) {
        return (st.st_mode & S_IWGRP) != 0;
    }
    return (st.st_mode & S_IWOTH) != 0;
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

Resolution Regular(const QByteArray& path, const struct stat& st)
{
    if (!WritableFor(st)) {
        return Refuse(QStringLiteral("The file is read-only."));
    }
    return {Target{path, true, st}, {}};
}

Resolution ResolveLink(const QByteArray& path)
{
    const QByteArray pointsTo = ReadLink(path).value_or(QByteArray());
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
    return Regular(resolved, st);
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
        return Regular(path, st);
    }
    if (S_ISLNK(st.st_mode)) {
        return ResolveLink(path);
    }
    return Refuse(QStringLiteral("There is %1 at that path, not a settings file.").arg(KindOf(st.st_mode)));
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

// The folder, opened to name files in it: every later step goes by this descriptor
// and short names, so a folder whose path is near the system's limit takes a
// temporary name as readily as the file's own. -1 (errno set) on failure.
int OpenFolder(const QByteArray& folder)
{
#ifdef O_PATH
    return ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#else
    return ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
}

// A new file beside the settings file, made exclusively; -1 (errno set) on failure.
int CreateTemporary(int folder, mode_t mode, QByteArray& name)
{
    for (int attempt = 0; attempt < 64; ++attempt) {
        name = QByteArrayLiteral(".Trackpace.ini.") + QByteArray::number(QRandomGenerator::global()->generate64(), 16) +
               QByteArrayLiteral(".tmp");
        const int fd = ::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Puts `from` at `to` (both in `folder`) only while nothing stands there; 0, or the error.
int RenameNoReplace(int folder, const QByteArray& from, const QByteArray& to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(folder, from.constData(), folder, to.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
#endif
    // A hard link, too, fails wherever anything stands.
    if (::linkat(folder, from.constData(), folder, to.constData(), 0) != 0) {
        return errno;
    }
    ::unlinkat(folder, from.constData(), 0);
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

// The file's whole content, for putting back; nothing when it cannot be read (a
// file the user may write but not read) or is larger than any settings file.
std::optional<QByteArray> ReadBack(int fd, const struct stat& st)
{
    constexpr off_t MostKept = 1024 * 1024;
    if (st.st_size > MostKept) {
        return std::nullopt;
    }
    QByteArray old(static_cast<qsizetype>(st.st_size), '\0');
    qsizetype done = 0;
    while (done < old.size()) {
        const ssize_t got = ::pread(fd, old.data() + done, static_cast<std::size_t>(old.size() - done),
                                    static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return std::nullopt;
        }
        done += got;
    }
    return old;
}

// What can be known before a byte is written: the file size limit and the free
// space. 0, or the error the write would end in.
int FitsLimits(int fd, qsizetype newSize, off_t oldSize)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        static_cast<rlim_t>(newSize) > limit.rlim_cur) {
        return EFBIG;
    }
    struct statvfs space {};
    if (newSize > oldSize && ::fstatvfs(fd, &space) == 0) {
        const unsigned long long free = static_cast<unsigned long long>(::geteuid() == 0 ? space.f_bfree : space.f_bavail) *
                                        space.f_frsize;
        if (static_cast<unsigned long long>(newSize - oldSize) > free) {
            return ENOSPC;
        }
    }
    return 0;
}

// The open descriptor `fd` as a file to write, unbuffered, from its start.
class OpenFile {
public:
    explicit OpenFile(int fd) { file_.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle); }
    QFileDevice& get() { return file_; }

private:
    QFile file_;
};

// The system's reason for a file that failed, as the settings boxes end it.
QString Reason(const QString& failure)
{
    return failure.endsWith(u'.') ? failure : failure + u'.';
}

// After a failed in-place write: the old text back over the `damaged` bytes at the
// start, and the old length. The words for the box.
QString PutBack(int fd, const std::optional<QByteArray>& old, qint64 damaged)
{
    if (!old) {
        return QStringLiteral(" The old settings could not be read beforehand, so they could not be put back.");
    }
    OpenFile file(fd);
    std::optional<QString> failure;
    if (!file.get().seek(0)) {
        failure = file.get().errorString();
    } else {
        failure = WriteAll(file.get(), QByteArrayView(*old).first(std::min(damaged, qint64{old->size()})));
    }
    if (!failure && ::ftruncate(fd, static_cast<off_t>(old->size())) != 0) {
        failure = SystemError(errno);
    }
    if (!failure && ::fsync(fd) != 0) {
        failure = SystemError(errno);
    }
    if (failure) {
        return QStringLiteral(" The old settings could not be put back either: %1").arg(Reason(*failure));
    }
    return QStringLiteral(" The old settings were put back as they were.");
}

WriteResult WriteInPlace(int folder, const Target& target, const QByteArray& bytes, const ContentWrite& write)
{
    const QByteArray name = NameOf(target.path);
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    int opened = ::openat(folder, name.constData(), O_RDWR | flags);
    if (opened < 0 && errno == EACCES) {
        opened = ::openat(folder, name.constData(), O_WRONLY | flags);
    }
    Descriptor fd(opened);
    if (fd.get() < 0) {
        return Failure(SystemError(errno));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || !SameFile(st, target.existing)) {
        return Failure(ChangedMeanwhile);
    }
    // Nothing is touched where the new text cannot fit.
    if (const int error = FitsLimits(fd.get(), bytes.size(), st.st_size)) {
        return Failure(SystemError(error));
    }
    const std::optional<QByteArray> old = ReadBack(fd.get(), st);
    qint64 written = 0;
    OpenFile file(fd.get());
    std::optional<QString> failure = write(file.get(), bytes, written);
    qint64 damaged = written;
    if (!failure) {
        // The new text is whole; from here a failure needs the whole old text back.
        damaged = std::max(written, old ? qint64{old->size()} : qint64{0});
        if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd.get()) != 0) {
            failure = SystemError(errno);
        }
    }
    if (failure) {
        return Failure(Reason(*failure) + PutBack(fd.get(), old, damaged));
    }
    if (!fd.Close()) {
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

WriteResult Replace(const Target& target, const QByteArray& bytes, const ContentWrite& write)
{
    const QByteArray folderPath = FolderOf(target.path);
    if (!target.exists) {
        if (const int error = MakeFolders(folderPath)) {
            return Failure(
                QStringLiteral("The folder %1 could not be made: %2").arg(Shown(folderPath), SystemError(error)));
        }
    }
    const Descriptor folder(OpenFolder(folderPath));
    if (folder.get() < 0) {
        return Failure(SystemError(errno));
    }
    const QByteArray name = NameOf(target.path);
    QByteArray temporaryName;
    Descriptor fd(CreateTemporary(folder.get(), target.exists ? 0600 : 0666, temporaryName));
    if (fd.get() < 0) {
        const int error = errno;
        return target.exists && MayWriteInPlace(error) ? WriteInPlace(folder.get(), target, bytes, write)
                                                       : Failure(SystemError(error));
    }
    TemporaryName temporary(folder.get(), temporaryName);
    if (target.exists && !TakeOverOwnership(fd.get(), target.existing)) {
        return WriteInPlace(folder.get(), target, bytes, write);
    }
    qint64 written = 0;
    OpenFile file(fd.get());
    if (const std::optional<QString> failure = write(file.get(), bytes, written)) {
        return Failure(Reason(*failure));
    }
    if (::fsync(fd.get()) != 0 || !fd.Close()) {
        return Failure(SystemError(errno));
    }
    if (!target.exists) {
        const int error = RenameNoReplace(folder.get(), temporaryName, name);
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
    if (::fstatat(folder.get(), name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(now.st_mode) ||
        !SameFile(now, target.existing)) {
        return Failure(ChangedMeanwhile);
    }
    if (::renameat(folder.get(), temporary.get(), folder.get(), name.constData()) != 0) {
        const int error = errno;
        return MayWriteInPlace(error) ? WriteInPlace(folder.get(), target, bytes, write) : Failure(SystemError(error));
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

WriteResult WriteOwnFile(const QByteArray& path, const QByteArray& bytes, const ContentWrite& write)
{
    const Resolution resolution = Resolve(path);
    if (!resolution.target) {
        return Failure(resolution.refusal);
    }
    return Replace(*resolution.target, bytes, write);
}
