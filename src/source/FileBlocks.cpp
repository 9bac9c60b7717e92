#include "source/FileBlocks.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{
#ifdef Q_OS_UNIX
QString NotRegularFileReason(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("Not a regular file (a folder)");
    if (S_ISFIFO(mode))
        return QStringLiteral("Not a regular file (a named pipe)");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("Not a regular file (a device)");
    if (S_ISSOCK(mode))
        return QStringLiteral("Not a regular file (a socket)");
    return QStringLiteral("Not a regular file");
}
#endif

inline bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
} // namespace

// The open itself does not wait: it is the opened file that is checked, not its
// name, so nothing can be swapped in between.
bool OpenRegularFile(QFile& file, QString& error)
{
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(file.fileName());
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = qt_error_string(errno);
        return false;
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0) {
        error = qt_error_string(errno);
        ::close(fd);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = NotRegularFileReason(status.st_mode);
        ::close(fd);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        error = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
#else
    const QFileInfo info(file.fileName());
    if (info.exists() && !info.isFile()) {
        error = info.isDir() ? QStringLiteral("Not a regular file (a folder)") : QStringLiteral("Not a regular file");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    if (file.isSequential()) {
        error = QStringLiteral("Not a regular file");
        file.close();
        return false;
    }
    return true;
#endif
}

qsizetype Utf8Cut(const char* data, qsizetype size)
{
    qsizetype k = size;
    while (k > 0 && size - k < 4 && IsContinuationByte(data[k - 1]))
        --k;
    if (k == 0 || size - k >= 4)
        return size;
    const auto lead = static_cast<unsigned char>(data[k - 1]);
    const qsizetype need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return size - (k - 1) < need ? k - 1 : size;
}
