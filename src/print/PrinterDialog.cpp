// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PrinterDialog.h"

#include "dialogs/Dialogs.h"
#include "platform/Printer.h"
#include "ui/OffUiThread.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>

namespace quillane {

PrinterDialog::PrinterDialog(QWidget *owner, Printer &printer, QString &dialogResult)
    : ChromeDialog(owner, "Form7", QSize(3255, 1815), "Print", 2895), dialogResult_(dialogResult)
{
    addInertCloseGlyph();
    ClickLabel *icon = addLabel(this, "Image1", {120, 480, 480, 480}, QString(), 9);
    icon->setPixmap(sharpPixmap(":/print.svg", QSize(32, 32)));
    icon->setAccessibleName("Printer");
    addLabel(this, "Label1", {720, 480, 2415, 255}, "Print to:", 9.75);

    auto *list = new QComboBox(this);
    list->setObjectName("Combo1");
    list->setAccessibleName("Print to:");
    list->setGeometry(twips::rect({720, 720, 2415, 330}));
    list->setFont(arialFont(8.25));
    list->setEditable(true);
    list->lineEdit()->setAccessibleName("Print to:");
    // Typed text neither adds an entry nor picks one: only a choice counts.
    // Qt would pick the entry the text names when editing ends.
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setCompleter(nullptr);
    disconnect(list->lineEdit(), &QLineEdit::editingFinished, list, nullptr);
    // Filled when the printer has answered, with nothing chosen.
    list->setEnabled(false);
    connect(&listed_, &QFutureWatcherBase::finished, this, [this, list] {
        list->addItems(listing_.result());
        list->setCurrentIndex(-1);
        list->setEnabled(true);
    });
    listing_ = QtConcurrent::run([&printer] { return printer.listPrinters(); });
    listed_.setFuture(listing_);
    // activated: the user's choices only, by mouse or keyboard.
    connect(list, &QComboBox::activated, this,
            [&printer](int position) { printer.makeCurrent(position); });

    QPushButton *yes = addDialogButton(this, "Command1", {720, 1320, 855, 375}, "&Yes");
    QPushButton *no = addDialogButton(this, "Command2", {1680, 1320, 855, 375}, "&No");
    connect(yes, &QPushButton::clicked, this, [this] { answer("True"); });
    connect(no, &QPushButton::clicked, this, [this] { answer("False"); });
    setTabOrder(no, yes);
    setTabOrder(yes, list);
    no->setFocus();
}

PrinterDialog::~PrinterDialog()
{
    // The worker uses the printer: it ends before the dialog does.
    listing_.waitForFinished();
}

void PrinterDialog::awaitList()
{
    if (!listing_.isFinished())
        awaitOffUiThread([this] { listing_.waitForFinished(); });
}

void PrinterDialog::answer(const char *result)
{
    dialogResult_ = QString::fromLatin1(result);
    finish(dialogResult_ == QLatin1String("False") ? Rejected : Accepted);
}

void PrinterDialog::dismissed()
{
    dialogResult_ = QStringLiteral("False");
}

} // namespace quillane
