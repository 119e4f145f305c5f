// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ChromeDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

namespace quillane {

ChromeDialog::ChromeDialog(QWidget *owner, const char *name, QSize size, const QString &title,
                           int titleWidth)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(name);
    setWindowTitle(title);
    setModal(true);
    useOwnColours(this);
    setFixedSize(twips::toPixels(size.width()), twips::toPixels(size.height()));
    setBackground(this, ownPalette().color(QPalette::Window));

    const int width = size.width();
    addShape(this, "Shape2", {0, 240, width, size.height() - 240},
             ownPalette().color(QPalette::Window));
    titleBand_ = addShape(this, "Shape1", {0, 0, width, 255}, TitleBandColor);
    addTitle(this, {120, 0, titleWidth < 0 ? width - 360 : titleWidth, 255}, title);
}

int ChromeDialog::exec()
{
    centreOver(this, parentWidget());
    const int result = QDialog::exec();
    takeKeyboardBack(parentWidget());
    return result;
}

ClickLabel *ChromeDialog::addInertCloseGlyph()
{
    ClickLabel *glyph = addLabel(this, "Label5", {twips::fromPixels(width()) - 255, 0, 255, 255},
                                 "x", 9, Qt::AlignCenter);
    glyph->setTextColor(GlyphGrey);
    return glyph;
}

void ChromeDialog::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept();
        return;
    case Qt::Key_Enter:
    case Qt::Key_Return:
        if (auto *button = qobject_cast<QAbstractButton *>(focusWidget()))
            button->click();
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void ChromeDialog::finish(int code)
{
    closingByOwnControls_ = true;
    done(code);
}

void ChromeDialog::closeEvent(QCloseEvent *event)
{
    if (!closingByOwnControls_)
        dismissed();
    QDialog::closeEvent(event);
}

} // namespace quillane
