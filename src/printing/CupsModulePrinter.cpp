// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/CupsModulePrinter.h"

#include "base/Failures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quillane {

namespace {

const char ModuleFile[] = "quillane-cups.so";

} // namespace

CupsModulePrinter::CupsModulePrinter(QString module, CupsBounds bounds)
    : library_(module.isEmpty() ? installedModule() : module), bounds_(bounds)
{
}

// The module stays loaded: the printer's code lives in it.
CupsModulePrinter::~CupsModulePrinter() = default;

QString CupsModulePrinter::installedModule()
{
    // Beside the program in the build tree; installed, in its library folder.
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString beside = programDir + '/' + ModuleFile;
    if (QFileInfo::exists(beside))
        return beside;
    return QDir::cleanPath(programDir + "/" QUILLANE_MODULE_DIR "/" + ModuleFile);
}

Printer *CupsModulePrinter::loaded()
{
    if (printer_ || loadFailure_)
        return printer_.get();
    // Tried once, by the first call: the listing for the "Print to:" list.
    auto version = reinterpret_cast<CupsModuleVersionOf>(library_.resolve(CupsModuleVersionName));
    if (!version) {
        qWarning("%s", qUtf8Printable(library_.errorString()));
        loadFailure_ = failures::printingModuleMissing();
        return nullptr;
    }
    if (const int found = version(); found != CupsModuleVersion) {
        qWarning("%s is the printing module of interface version %d; this program needs %d",
                 qUtf8Printable(library_.fileName()), found, CupsModuleVersion);
        loadFailure_ = failures::printingModuleMismatch();
        return nullptr;
    }
    auto make = reinterpret_cast<MakeCupsPrinter>(library_.resolve(MakeCupsPrinterName));
    if (make)
        printer_.reset(make(&bounds_));
    if (!printer_) {
        qWarning("%s", qUtf8Printable(library_.errorString()));
        loadFailure_ = failures::printingModuleMissing();
    }
    return printer_.get();
}

QStringList CupsModulePrinter::listPrinters()
{
    Printer *printer = loaded();
    return printer ? printer->listPrinters() : QStringList();
}

void CupsModulePrinter::makeCurrent(int position)
{
    if (Printer *printer = loaded())
        printer->makeCurrent(position);
}

MaybeFailure CupsModulePrinter::printableArea(PrintableArea *area)
{
    Printer *printer = loaded();
    return printer ? printer->printableArea(area) : loadFailure_;
}

MaybeFailure CupsModulePrinter::paintPicture(const QImage &picture, int x, int y, int width,
                                             int height)
{
    Printer *printer = loaded();
    return printer ? printer->paintPicture(picture, x, y, width, height) : loadFailure_;
}

MaybeFailure CupsModulePrinter::drawLine(int x1, int y1, int x2, int y2, quint32 colour)
{
    Printer *printer = loaded();
    return printer ? printer->drawLine(x1, y1, x2, y2, colour) : loadFailure_;
}

MaybeFailure CupsModulePrinter::endDocument()
{
    Printer *printer = loaded();
    return printer ? printer->endDocument() : loadFailure_;
}

void CupsModulePrinter::abandonDocument()
{
    if (printer_)
        printer_->abandonDocument();
}

} // namespace quillane
