#pragma once

#include "dialogs/ChromeDialog.h"

class QComboBox;

namespace quillane {

class Printer;

// "Print" / "Print to:": the installed printers in the platform's order.
// Choosing one makes it the current printer at once. "&Yes" leaves "True" in
// the dialog result and "&No" leaves "False"; a window closed by any other
// means answers "&No", so that a dismissed dialog never prints.
class PrinterDialog final : public ChromeDialog {
    Q_OBJECT
public:
    PrinterDialog(QWidget *owner, Printer &printer, QString &dialogResult);

protected:
    void dismissed() override;

private:
    void answer(const char *result);

    QString &dialogResult_;
};

} // namespace quillane
