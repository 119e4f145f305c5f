// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Printer.h"
#include "printing/CupsModule.h"

#include <QLibrary>

#include <memory>

namespace quillane {

// The CUPS printer, built as a module of its own and loaded at the first
// printer call, so that the program starts without libcups and all that it
// pulls in. When the module cannot be loaded, nothing is listed, printing
// fails, and the loader's reason goes to the log.
class CupsModulePrinter final : public Printer {
public:
    // module: the module's file; empty finds it beside the program, else in
    // the library folder it is installed in.
    explicit CupsModulePrinter(QString module = QString(), CupsBounds bounds = CupsBounds());
    ~CupsModulePrinter() override;

    QStringList listPrinters() override;
    void makeCurrent(int position) override;
    MaybeFailure printableArea(PrintableArea *area) override;
    MaybeFailure paintPicture(const QImage &picture, int x, int y, int width, int height) override;
    MaybeFailure drawLine(int x1, int y1, int x2, int y2, quint32 colour) override;
    MaybeFailure endDocument() override;
    void abandonDocument() override;

    // The file the module is looked for in when none is given.
    static QString installedModule();

private:
    Printer *loaded();

    QLibrary library_;
    CupsBounds bounds_;
    std::unique_ptr<Printer> printer_;
    MaybeFailure loadFailure_;
};

} // namespace quillane
