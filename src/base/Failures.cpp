// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Failures.h"

#include "base/FileNames.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <cmath>
#include <sys/stat.h>

namespace quillane::failures {

namespace {

QString named(const QString &path)
{
    return '"' + shownFileName(path) + '"';
}

QString megabytes(qint64 bytes)
{
    return QLocale(QLocale::English).toString((bytes + (1 << 20) - 1) >> 20) + " MB";
}

} // namespace

QString shownFileName(const QString &path)
{
    // A name has no blanks to wrap at: a long one would push the reason out.
    constexpr qsizetype Head = 20, Tail = 12;
    const QString name = fileNames::shown(QFileInfo(path).fileName());
    if (name.size() <= Head + Tail + 1)
        return name;
    return name.left(Head) + QChar(0x2026) + name.right(Tail);
}

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

Failure notARegularFile(const QString &path, const QString &kind)
{
    return {FileAccess, named(path) + " is " + kind + ", not a picture file."};
}

Failure fileTooLarge(const QString &path, qint64 fileBytes, qint64 limitBytes)
{
    return {OutOfMemory, QString("%1 is too large: the file has %2, more than the %3 a picture "
                                 "may take.")
                             .arg(named(path), megabytes(fileBytes), megabytes(limitBytes))};
}

Failure notAPicture(const QString &path, const QString &reason)
{
    return {InvalidPicture, named(path) + " cannot be loaded: " + reason + '.'};
}

Failure damagedPicture(const QString &path, const QString &where)
{
    return {InvalidPicture, named(path) + " is damaged: " + where + '.'};
}

Failure pictureTooLarge(const QString &path, QSize size, qint64 neededBytes, qint64 limitBytes)
{
    return {OutOfMemory,
            QString("%1 is too large: %2 x %3 pixels need %4 to decode, more than the %5 a "
                    "picture may take.")
                .arg(named(path))
                .arg(size.width())
                .arg(size.height())
                .arg(megabytes(neededBytes), megabytes(limitBytes))};
}

Failure lineColourNotANumber()
{
    return {TypeMismatch, "The guide line colour is not a number. Choose it again."};
}

Failure noPrinter()
{
    return {NoPrinter, "No printer is installed. Add a printer, then print again."};
}

Failure printServiceUnreachable()
{
    return {NoPrinter, "The printing service (CUPS) is not running or cannot be reached."};
}

Failure noDefaultPrinter()
{
    return {NoPrinter, "There is no default printer. Choose a printer in the list."};
}

Failure chosenPrinterUnknown()
{
    return {NoPrinter, "The chosen printer cannot be found. Choose it again."};
}

Failure printerGone(const QString &name)
{
    return {NoPrinter, QString("\"%1\" is no longer installed.").arg(name)};
}

namespace {

QString because(const QString &reasons)
{
    return reasons.isEmpty() ? QString() : " (" + reasons + ')';
}

} // namespace

Failure notAcceptingJobs(const QString &name, const QString &reasons)
{
    return {PrinterError,
            QString("\"%1\" is not accepting jobs now%2.").arg(name, because(reasons))};
}

Failure printerStopped(const QString &name, const QString &reasons)
{
    return {PrinterError,
            QString("\"%1\" is stopped%2. Nothing was sent.").arg(name, because(reasons))};
}

Failure jobWaiting(const QString &name, const QString &reasons, int job)
{
    return {PrinterError,
            QString("\"%1\" stopped%2. The page waits in its queue; \"cancel %3\" removes it.")
                .arg(name, because(reasons))
                .arg(job)};
}

Failure jobAborted(const QString &name, const QString &reasons)
{
    return {PrinterError,
            QString("Not printed: \"%1\" gave up the page%2.").arg(name, because(reasons))};
}

Failure jobRefused(const QString &reason)
{
    return {PrinterError,
            "Not printed: " + (reason.isEmpty() ? "the printer refused the page." : reason)};
}

Failure spoolFailed(const QString &reason)
{
    return {PrinterError, "Could not prepare the page: " + reason};
}

Failure pictureNotPrintable()
{
    return {InvalidPicture, "A cover picture is empty and cannot be printed."};
}

Failure pictureTooLargeToPrint()
{
    return {OutOfMemory, "There is not enough memory to print the cover pictures."};
}

Failure coversDoNotFit(const QString &printer, const QString &paper, int missingWidth,
                       int missingHeight)
{
    // Rounded up to a tenth: never less than what is missing.
    auto mm = [](int twips) {
        return QString::number(std::ceil(twips * 254.0 / 1440) / 10, 'f', 1);
    };
    QStringList missing;
    if (missingWidth > 0)
        missing << mm(missingWidth) + " mm narrow";
    if (missingHeight > 0)
        missing << mm(missingHeight) + " mm short";
    return {PrinterError, QString("%2 on \"%1\": %3.").arg(printer, paper, missing.join(", "))};
}

Failure printServiceNotAnswering(int seconds)
{
    return {PrinterError,
            QString("The printing service (CUPS) did not answer in %1 s.").arg(seconds)};
}

Failure printingModuleMissing()
{
    return {PrinterError, "The printing module is missing. Install Quillane again."};
}

Failure printingModuleMismatch()
{
    return {PrinterError, "The printing module does not fit this program. Install Quillane again."};
}

QString fileKind(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a named pipe";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

namespace {

QString shownPath(const QString &path)
{
    const QString home = QDir::homePath();
    if (home.size() > 1 && path.startsWith(home + '/'))
        return '~' + path.mid(home.size());
    return path;
}

} // namespace

Failure settingsUnusable(const QString &path, const QString &problem)
{
    return {FileAccess, "The settings file " + shownPath(path) + ' ' + problem +
                            ". Quillane starts with the defaults and saves no changes."};
}

Failure settingsNotSaved(const QString &path, int number, const QString &reason)
{
    return {number, "Not saved in " + shownPath(path) + ": " + reason + '.'};
}

Failure pageNotWritten(const QString &path, int number, const QString &reason)
{
    return {number, "Not written to " + shownPath(path) + ": " + reason + '.'};
}

} // namespace quillane::failures
