// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/Dialogs.h"

#include <QPainter>
#include <QPushButton>
#include <QTextLayout>

namespace quillane {

namespace {

constexpr QSize SmallDialogSize(2895, 1815);
constexpr TwipRect YesButton{360, 1320, 975, 375};
constexpr TwipRect NoButton{1560, 1320, 975, 375};

} // namespace

QPushButton *addDialogButton(QWidget *dialog, const char *name, TwipRect r, const QString &caption)
{
    auto *button = new QPushButton(caption, dialog);
    button->setObjectName(name);
    button->setGeometry(twips::rect(r));
    button->setFont(arialFont(9));
    setBackground(button, Qt::white);
    // Enter presses the focused button, and no other: the window has no default.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

void addDialogIcon(QWidget *dialog, QStyle::StandardPixmap icon)
{
    ClickLabel *image = addLabel(dialog, "Image1", {120, 480, 480, 480}, QString(), 9);
    const bool warning = icon == QStyle::SP_MessageBoxWarning;
    // Our own vector pictures: the style's are 32-pixel bitmaps, blurred when enlarged.
    image->setPixmap(sharpPixmap(warning ? ":/warning.svg" : ":/question.svg", QSize(32, 32)));
    image->setAccessibleName(warning ? "Warning" : "Question");
}

namespace {

QTextLayout *layOut(QTextLayout &layout, int width)
{
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return &layout;
}

} // namespace

QSize WrappingText::wrappedSize() const
{
    QTextLayout layout(text(), font());
    return layOut(layout, width())->boundingRect().toAlignedRect().size();
}

void WrappingText::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    QTextLayout layout(text(), font());
    layOut(layout, width())->draw(&painter, QPointF(0, 0));
}

ClearDialog::ClearDialog(QWidget *owner, QString &dialogResult)
    : ChromeDialog(owner, "Form4", SmallDialogSize, "Clear"), dialogResult_(dialogResult)
{
    addInertCloseGlyph();
    addDialogIcon(this, QStyle::SP_MessageBoxQuestion);
    addLabel(this, "Label1", {720, 480, 2055, 255}, "Clear current image?", 9.75, Qt::AlignCenter);
    addLabel(this, "Label2", {720, 840, 2055, 255}, "Are you sure?", 9.75, Qt::AlignCenter);
    QPushButton *yes = addDialogButton(this, "Command1", YesButton, "&Yes");
    QPushButton *no = addDialogButton(this, "Command2", NoButton, "&No");
    connect(yes, &QPushButton::clicked, this, [this] { finish(Accepted); });
    connect(no, &QPushButton::clicked, this, [this] {
        dialogResult_ = "False";
        finish(Rejected);
    });
    no->setFocus();
}

void ClearDialog::dismissed()
{
    dialogResult_ = "False";
}

QuitDialog::QuitDialog(QWidget *owner) : ChromeDialog(owner, "Form6", SmallDialogSize, "Quit")
{
    addInertCloseGlyph();
    addDialogIcon(this, QStyle::SP_MessageBoxQuestion);
    addLabel(this, "Label2", {720, 600, 1935, 255}, "Are you sure?", 9.75, Qt::AlignCenter);
    QPushButton *yes = addDialogButton(this, "Command1", YesButton, "&Yes");
    QPushButton *no = addDialogButton(this, "Command2", NoButton, "&No");
    connect(yes, &QPushButton::clicked, this, [this] { finish(Accepted); });
    connect(no, &QPushButton::clicked, this, [this] { finish(Rejected); });
    no->setFocus();
}

MessageDialog::MessageDialog(QWidget *owner, const Failure &failure)
    : ChromeDialog(owner, "Form5", SmallDialogSize, "Error: " + QString::number(failure.number))
{
    addInertCloseGlyph();
    addDialogIcon(this, QStyle::SP_MessageBoxWarning);
    auto *text = new WrappingText(failure.description, this);
    text->setObjectName("Label1");
    text->setGeometry(twips::rect({720, 360, 2055, 855}));
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A description longer than the box holds is set smaller rather than cut off.
    for (qreal points = 9.75; points >= 6; points -= 0.75) {
        text->setFont(arialFont(points));
        if (text->wrappedSize().height() <= text->height())
            break;
    }
    QPushButton *ok = addDialogButton(this, "Command2", {960, 1320, 975, 375}, "&Ok");
    connect(ok, &QPushButton::clicked, this, [this] { finish(Accepted); });
    ok->setFocus();
}

void showFailure(QWidget *owner, const Failure &failure)
{
    MessageDialog dialog(owner, failure);
    dialog.exec();
}

} // namespace quillane
