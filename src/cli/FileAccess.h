#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

/** The system's description of an error number, without trailing blanks,
 *  line breaks and full stops. */
QString SystemErrorText(int error);

/** A file opened for reading and closed when this goes away. */
class ReadOnlyFile
{
public:
    /** Opens an existing file. Throws Error("Cannot open file "<full path>".
     *  <system text>") when it is missing, unreadable or a folder. */
    explicit ReadOnlyFile(const QString& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    int Descriptor() const noexcept { return m_fd; }
    /** All the bytes from the current position on. Throws Error("Cannot read
     *  file "<full path>". <system text>") on a read error. */
    QByteArray ReadAll();

private:
    QString m_path;
    int m_fd = -1;
};

/** Writes a file through a temporary file beside it that replaces the target
 *  only once everything was written, so a failure leaves the old file (or no
 *  file) in place. `write` gets the open device and may throw.
 *  Throws Error("Cannot create file "<full path>". <text>") when the
 *  temporary file cannot be made, Error("Cannot write file ...") when writing
 *  or replacing fails. */
void WriteFileSafely(const QString& path, const std::function<void(QIODevice&)>& write);

/** The full path of a file name, as messages show it. */
QString FullPath(const QString& path);
