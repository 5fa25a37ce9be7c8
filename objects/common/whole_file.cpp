#include "whole_file.h"

#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvain
{

namespace
{

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString limitText(qint64 limit)
{
    constexpr qint64 mib = 1024 * 1024;
    return limit % mib == 0 ? QStringLiteral("%1 MiB").arg(limit / mib)
                            : QStringLiteral("%1 bytes").arg(limit);
}

// The new file beside the target until it is renamed over it; removed on every failure.
class NewFile
{
public:
    ~NewFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }

    // O_EXCL with O_NOFOLLOW: a name someone placed first, link or not, is never used.
    int create(const QByteArray &target, mode_t mode)
    {
        const qsizetype slash = target.lastIndexOf('/');
        const QByteArray folder = slash < 0 ? QByteArray(".") : target.left(slash + 1);
        const QByteArray base = slash < 0 ? target : target.mid(slash + 1);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = folder + (slash < 0 ? "/." : ".") + base + '.' +
                                    QByteArray::number(QRandomGenerator::global()->generate(), 36);
            m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          mode);
            if (m_fd >= 0) {
                m_name = name;
                return 0;
            }
            if (errno != EEXIST)
                return errno;
        }
        return EEXIST;
    }

    int fd() const { return m_fd; }
    const QByteArray &name() const { return m_name; }

    int close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }
    void renamed() { m_name.clear(); }

private:
    int m_fd = -1;
    QByteArray m_name;
};

int writeAll(int fd, const QByteArray &bytes)
{
    const char *at = bytes.constData();
    for (qsizetype left = bytes.size(); left > 0;) {
        const ssize_t n = ::write(fd, at, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        at += n;
        left -= n;
    }
    return 0;
}

} // namespace

QString refusedTarget(const QString &path)
{
    struct stat st {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("a symbolic link, and a link is never followed or replaced");
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("not a regular file, and only a regular file is ever replaced");
    return {};
}

QString writeWholeFile(const QString &path, const QByteArray &bytes)
{
    const QByteArray target = QFile::encodeName(path);
    if (target.isEmpty())
        return QStringLiteral("no file name");
    if (const QString refused = refusedTarget(path); !refused.isEmpty())
        return refused;
    // Replacing keeps the file's permissions; a new file gets the umask's, as any would.
    struct stat st {
    };
    const bool exists = ::lstat(target.constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return errnoText(errno);
    // A rename would replace a file its owner made read-only: that is refused as a write.
    if (exists && ::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0)
        return QStringLiteral("the file is read-only (%1)").arg(errnoText(errno));

    NewFile file;
    if (const int error = file.create(target, exists ? 0600 : 0666))
        return errnoText(error);
    if (exists && ::fchmod(file.fd(), st.st_mode & 07777) != 0)
        return errnoText(errno);
    if (const int error = writeAll(file.fd(), bytes))
        return errnoText(error);
    if (::fsync(file.fd()) != 0)
        return errnoText(errno);
    if (const int error = file.close())
        return errnoText(error);
    // A link put at the target since the look above is replaced itself: rename never
    // follows the last part of a path.
    if (::rename(file.name().constData(), target.constData()) != 0)
        return errnoText(errno);
    file.renamed();
    // The rename itself lasts once the folder is synced; the document is whole either way.
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder =
        slash < 0 ? QByteArray(".") : target.left(std::max<qsizetype>(slash, 1));
    if (const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

SmallFile readSmallFile(const QString &path, qint64 limit)
{
    SmallFile file;
    const QByteArray name = QFile::encodeName(path);
    const QString notRegular = QStringLiteral("Not a regular file");
    const QString tooLarge = QStringLiteral("Larger than %1").arg(limitText(limit));
    // Looked at first, so a device is never opened; judged again on what was opened, in case
    // it was swapped in between.
    struct stat st {
    };
    if (::stat(name.constData(), &st) != 0) {
        file.missing = errno == ENOENT;
        file.error = errnoText(errno);
        return file;
    }
    if (!S_ISREG(st.st_mode)) {
        file.error = notRegular;
        return file;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        file.missing = errno == ENOENT;
        file.error = errnoText(errno);
        return file;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        file.error = notRegular;
    } else if (st.st_size > limit) {
        file.error = tooLarge;
    } else {
        // Read to the limit and one byte past it: a file that grew meanwhile is refused too.
        char buffer[65536];
        while (file.bytes.size() <= limit) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                file.error = errnoText(errno);
            if (n <= 0)
                break;
            file.bytes.append(buffer, qsizetype(n));
        }
        if (file.error.isEmpty() && file.bytes.size() > limit)
            file.error = tooLarge;
        if (!file.error.isEmpty())
            file.bytes.clear();
    }
    ::close(fd);
    return file;
}

} // namespace morvain
