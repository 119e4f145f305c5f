// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Chrome.h"

#include <QDialog>

namespace quillane {

// A borderless modal window with the common look: the body, the title band
// and the title text. Subclasses add their "x" glyph and controls on top.
//
// Like every window of the program it has no default or cancel button: Enter
// presses the button that has the focus and Escape does nothing. Closing it
// by other means than its own controls (the window manager, Alt+F4) runs
// dismissed() first, so that a window can give that way its safe answer.
class ChromeDialog : public QDialog {
    Q_OBJECT
public:
    // size is the window's width and height in twips; the title text runs
    // from 120 twips to 360 twips short of the right edge unless titleWidth says.
    ChromeDialog(QWidget *owner, const char *name, QSize size, const QString &title,
                 int titleWidth = -1);

    // Shows the window modally, centred over its owner, and returns when it has closed.
    int exec() override;

    FilledRect *titleBand() const { return titleBand_; }

protected:
    // The grey "x" of the small dialogs, which does nothing.
    ClickLabel *addInertCloseGlyph();

    // Closes the window from one of its own controls.
    void finish(int code = QDialog::Accepted);
    virtual void dismissed() {}

    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    FilledRect *titleBand_ = nullptr;
    bool closingByOwnControls_ = false;
};

} // namespace quillane
