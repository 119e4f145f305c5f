// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/ChromeDialog.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QStringList>

class QComboBox;

namespace quillane {

class Printer;

// "Print" / "Print to:": the installed printers in the platform's order.
// The dialog opens at once; the list, asked of the printer on a worker
// thread, fills when the print service answers (it stays empty and
// disabled until then). Choosing an entry makes that printer current at
// once. "&Yes" leaves "True" in the dialog result and "&No" leaves "False";
// a window closed by any other means answers "&No", so that a dismissed
// dialog never prints.
class PrinterDialog final : public ChromeDialog {
    Q_OBJECT
public:
    PrinterDialog(QWidget *owner, Printer &printer, QString &dialogResult);
    ~PrinterDialog() override;

    // Waits, the windows repainting, until the list has come or its bounds
    // have passed: nothing else may ask the printer meanwhile.
    void awaitList();

protected:
    void dismissed() override;

private:
    void answer(const char *result);

    QString &dialogResult_;
    QFuture<QStringList> listing_;
    QFutureWatcher<QStringList> listed_;
};

} // namespace quillane
