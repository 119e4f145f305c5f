// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Failure.h"
#include "ui/ChromeDialog.h"

#include <QLabel>
#include <QStyle>

class QPushButton;

namespace quillane {

// The three small dialogs, 2895 x 1815 twips each. Every one is created for
// one showing and discarded when it closes.

// "Clear current image?" The dialog result stays as the caller left it on
// "&Yes" and becomes "False" on "&No", and also when the window is closed by
// any other means: only the explicit "&Yes" clears a slot.
class ClearDialog final : public ChromeDialog {
    Q_OBJECT
public:
    ClearDialog(QWidget *owner, QString &dialogResult);

protected:
    void dismissed() override;

private:
    QString &dialogResult_;
};

// "Quit" / "Are you sure?": exec() returns Accepted only for "&Yes".
class QuitDialog final : public ChromeDialog {
    Q_OBJECT
public:
    explicit QuitDialog(QWidget *owner);
};

// A failure: "Error: " and its number as the title, its description as the text.
class MessageDialog final : public ChromeDialog {
    Q_OBJECT
public:
    MessageDialog(QWidget *owner, const Failure &failure);
};

// Shows the message dialog for a failure and returns when the user has closed it.
void showFailure(QWidget *owner, const Failure &failure);

// Text that wraps at word boundaries, and inside a word too long for a line
// (a long file name), so that it never runs out of its box.
class WrappingText final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The size the text takes, wrapped to the label's width in its font.
    QSize wrappedSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Pieces the small dialogs and the other windows with the common look share.
QPushButton *addDialogButton(QWidget *dialog, const char *name, TwipRect r, const QString &caption);
void addDialogIcon(QWidget *dialog, QStyle::StandardPixmap icon);

} // namespace quillane
