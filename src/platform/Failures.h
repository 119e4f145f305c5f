#pragma once

#include "platform/Failure.h"

#include <QSize>
#include <QString>

// The catalogue of every failure the program reports: its number and the
// words the user reads. Numbers follow the classic run-time error numbers
// where one fits.
namespace quillane::failures {

enum Number : int {
    OutOfMemory = 7,
    FileNotFound = 53,
    PermissionDenied = 70,
    FileAccess = 75,
    InvalidPicture = 481,
    PrinterError = 482,
    NoPrinter = 484,
};

// Loading a picture. path names the file; the text shows its name only, so
// that it fits the message window.
Failure fileNotFound(const QString &path);
Failure permissionDenied(const QString &path);
Failure unreadableFile(const QString &path, const QString &reason);
Failure notAPicture(const QString &path, const QString &reason);
Failure pictureTooLarge(const QString &path, QSize size, qint64 limitBytes);

// Printing.
Failure noPrinter();

} // namespace quillane::failures
