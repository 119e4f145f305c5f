// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Failure.h"

#include <QSize>
#include <QString>

#include <sys/types.h>

// The catalogue of every failure the program reports: its number and the
// words the user reads. Numbers follow the classic run-time error numbers
// where one fits.
namespace quillane::failures {

enum Number : int {
    OutOfMemory = 7,
    TypeMismatch = 13,
    FileNotFound = 53,
    DiskFull = 61,
    PermissionDenied = 70,
    FileAccess = 75,
    InvalidPicture = 481,
    PrinterError = 482,
    NoPrinter = 484,
};

// Loading a picture. path names the file; the text shows its name only,
// shortened in the middle when long, so that the reason after it always fits
// the message window.
Failure fileNotFound(const QString &path);
Failure permissionDenied(const QString &path);
Failure unreadableFile(const QString &path, const QString &reason);
// kind: "a folder", "a named pipe", ...
Failure notARegularFile(const QString &path, const QString &kind);
Failure fileTooLarge(const QString &path, qint64 fileBytes, qint64 limitBytes);
Failure notAPicture(const QString &path, const QString &reason);
// where: how far the data goes, e.g. "its data ends at byte 812".
Failure damagedPicture(const QString &path, const QString &where);
// neededBytes: all that decoding needs at once.
Failure pictureTooLarge(const QString &path, QSize size, qint64 neededBytes, qint64 limitBytes);
// The file name as the loading failures show it.
QString shownFileName(const QString &path);

// Printing. The texts are short, to fit the message window.
Failure lineColourNotANumber();
Failure noPrinter();
Failure printServiceUnreachable();
Failure noDefaultPrinter();
Failure chosenPrinterUnknown();
Failure printerGone(const QString &name);
// reasons: the printer's state reasons and message as CUPS gives them.
Failure notAcceptingJobs(const QString &name, const QString &reasons = QString());
Failure printerStopped(const QString &name, const QString &reasons);
// An accepted job that its printer stopped: it waits in the queue.
Failure jobWaiting(const QString &name, const QString &reasons, int job);
Failure jobAborted(const QString &name, const QString &reasons);
// reason is the scheduler's own.
Failure jobRefused(const QString &reason);
Failure spoolFailed(const QString &reason);
Failure pictureNotPrintable();
Failure pictureTooLargeToPrint();
// The covers need this many twips more width and height than the printable
// area of printer's paper offers.
Failure coversDoNotFit(const QString &printer, const QString &paper, int missingWidth,
                       int missingHeight);
// CUPS accepted the connection but said nothing for this many seconds.
Failure printServiceNotAnswering(int seconds);
// The program's own printing module is missing or broken.
Failure printingModuleMissing();
// The printing module found belongs to another version of the program.
Failure printingModuleMismatch();
// A page printed to a file that could not be written; number as for the settings.
Failure pageNotWritten(const QString &path, int number, const QString &reason);

// A kind of file that is not a regular one, in the words the failures use:
// "a folder", "a named pipe", "a device", "a socket".
QString fileKind(mode_t mode);

// The settings file. path is shown in full, with "~" for the home folder, so
// that the user can find the file. problem completes "<path> ...", reason
// says why a write failed.
Failure settingsUnusable(const QString &path, const QString &problem);
Failure settingsNotSaved(const QString &path, int number, const QString &reason);

} // namespace quillane::failures
