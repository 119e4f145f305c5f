#include "platform/Failures.h"

#include <QFileInfo>

namespace quillane::failures {

namespace {

QString named(const QString &path)
{
    return '"' + QFileInfo(path).fileName() + '"';
}

QString megabytes(qint64 bytes)
{
    return QString::number((bytes + (1 << 20) - 1) >> 20);
}

} // namespace

Failure fileNotFound(const QString &path)
{
    return {FileNotFound, named(path) + " was not found. It may have been moved or deleted."};
}

Failure permissionDenied(const QString &path)
{
    return {PermissionDenied, named(path) + " cannot be read: you have no permission to read it."};
}

Failure unreadableFile(const QString &path, const QString &reason)
{
    return {FileAccess, named(path) + " cannot be read: " + reason + '.'};
}

Failure notAPicture(const QString &path, const QString &reason)
{
    return {InvalidPicture, named(path) + " cannot be loaded: " + reason + '.'};
}

Failure pictureTooLarge(const QString &path, QSize size, qint64 limitBytes)
{
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    return {OutOfMemory, QString("%1 is too large: %2 x %3 pixels need %4 MB, more than %5 MB.")
                             .arg(named(path))
                             .arg(size.width())
                             .arg(size.height())
                             .arg(megabytes(bytes), megabytes(limitBytes))};
}

Failure noPrinter()
{
    return {NoPrinter, "No printer is available. Install a printer, or start the printing "
                       "service, and try again."};
}

} // namespace quillane::failures
