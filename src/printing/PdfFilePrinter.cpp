// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/PdfFilePrinter.h"

#include "base/ColorValue.h"
#include "base/Failures.h"
#include "platform/CommonDialog.h"

#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillane {

namespace {

// Hundredths of a millimetre.
constexpr PageGeometry A4{21000, 29700, 0, 0};
constexpr PageGeometry Letter{21590, 27940, 0, 0};

int twipsFor(int hundredthsMm)
{
    return int(std::floor(hundredthsMm * 1440 / 2540.0));
}

// Why a file cannot be created in its folder, as the effective user.
int folderFailure(const QString &file)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(file).absolutePath());
    if (::faccessat(AT_FDCWD, folder.constData(), W_OK, AT_EACCESS) == 0)
        return failures::FileAccess;
    if (errno == ENOENT || errno == ENOTDIR)
        return failures::FileNotFound;
    return errno == EACCES || errno == EROFS ? failures::PermissionDenied : failures::FileAccess;
}

} // namespace

PdfFilePrinter::PdfFilePrinter(CommonDialog &dialogs) : dialogs_(dialogs) {}

QString PdfFilePrinter::entryName()
{
    return QStringLiteral("Print to File (PDF)");
}

PageGeometry PdfFilePrinter::paper()
{
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? Letter : A4;
}

bool PdfFilePrinter::askDestination(QWidget *owner)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    file_ = dialogs_.showSave(owner, "Print to File", "PDF Files (*.pdf)|*.pdf",
                              documents + "/Quillane covers.pdf");
    return !file_.isEmpty();
}

MaybeFailure PdfFilePrinter::printableArea(PrintableArea *area)
{
    const PageGeometry sheet = paper();
    *area = {entryName(), sheet.paperWidth == Letter.paperWidth ? "Letter" : "A4",
             twipsFor(sheet.paperWidth), twipsFor(sheet.paperLength)};
    return std::nullopt;
}

PdfPage &PdfFilePrinter::page()
{
    if (!page_)
        page_ = std::make_unique<PdfPage>(paper());
    return *page_;
}

MaybeFailure PdfFilePrinter::paintPicture(const QImage &picture, int x, int y, int width,
                                          int height)
{
    if (picture.isNull())
        return failures::pictureNotPrintable();
    if (!page().drawPicture(picture, QRect(x, y, width, height)))
        return failures::pictureTooLargeToPrint();
    return std::nullopt;
}

MaybeFailure PdfFilePrinter::drawLine(int x1, int y1, int x2, int y2, quint32 colour)
{
    page().drawLine(QLine(x1, y1, x2, y2), fromColorValue(colour));
    return std::nullopt;
}

MaybeFailure PdfFilePrinter::endDocument()
{
    if (!page_)
        return std::nullopt; // nothing drawn: no empty file
    const QByteArray pdf = page_->document();
    page_.reset();
    // A pipe or a device chosen as the file is neither written nor replaced.
    struct stat existing {};
    if (::stat(QFile::encodeName(file_).constData(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return failures::pageNotWritten(file_, failures::FileAccess,
                                        "it is " + failures::fileKind(existing.st_mode));
    // Written beside the file and put in its place only when whole.
    QSaveFile file(file_);
    if (!file.open(QIODevice::WriteOnly))
        return failures::pageNotWritten(file_, folderFailure(file_), file.errorString());
    if (file.write(pdf) != pdf.size() || !file.commit())
        return failures::pageNotWritten(file_, failures::FileAccess, file.errorString());
    return std::nullopt;
}

void PdfFilePrinter::abandonDocument()
{
    page_.reset();
}

QStringList PrintersAndPdfFile::listPrinters()
{
    QStringList names = printers_.listPrinters();
    printersListed_ = int(names.size());
    names << PdfFilePrinter::entryName();
    return names;
}

void PrintersAndPdfFile::makeCurrent(int position)
{
    toFile_ = position == printersListed_;
    if (!toFile_)
        printers_.makeCurrent(position);
}

} // namespace quillane
