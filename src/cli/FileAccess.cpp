#include "FileAccess.h"

#include "Error.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString TrimmedMessage(QString text)
{
    while (!text.isEmpty() &&
           (text.back() == u' ' || text.back() == u'.' || text.back() == u'\n' || text.back() == u'\r'))
        text.chop(1);
    return text;
}

[[noreturn]] void ThrowFileError(const char* what, const QString& path, const QString& reason)
{
    throw Error(QStringLiteral("%1 \"%2\". %3")
                    .arg(QLatin1String(what), FullPath(path), TrimmedMessage(reason))
                    .toStdU16String());
}

} // namespace

QString SystemErrorText(int error)
{
    return TrimmedMessage(QString::fromLocal8Bit(std::strerror(error)));
}

QString FullPath(const QString& path)
{
    return QFileInfo(path).absoluteFilePath();
}

ReadOnlyFile::ReadOnlyFile(const QString& path) : m_path(path)
{
    const QByteArray name = QFile::encodeName(path);
    m_fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        ThrowFileError("Cannot open file", path, SystemErrorText(errno));
    struct stat info;
    if (::fstat(m_fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        ThrowFileError("Cannot open file", path, SystemErrorText(EISDIR));
    }
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray ReadOnlyFile::ReadAll()
{
    QByteArray bytes;
    struct stat info;
    if (::fstat(m_fd, &info) == 0 && info.st_size > 0)
        bytes.reserve(qsizetype(info.st_size));
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            ThrowFileError("Cannot read file", m_path, SystemErrorText(errno));
        if (got == 0)
            return bytes;
        bytes.append(buffer, got);
    }
}

void WriteFileSafely(const QString& path, const std::function<void(QIODevice&)>& write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        ThrowFileError("Cannot create file", path, file.errorString());
    write(file);
    if (!file.commit())
        ThrowFileError("Cannot write file", path, file.errorString());
}
