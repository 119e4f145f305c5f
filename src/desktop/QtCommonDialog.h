// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/CommonDialog.h"

#include <QStringList>

namespace quillane {

class HelpViewer;

// The common dialogs on Qt: QFileDialog, QColorDialog and a help viewer.
class QtCommonDialog final : public CommonDialog {
public:
    explicit QtCommonDialog(HelpViewer &helpViewer);

    void showOpen(QWidget *parent) override;
    bool showColor(QWidget *parent) override;
    void showHelp() override;
    QString showSave(QWidget *parent, const QString &title, const QString &filter,
                     const QString &suggested) override;

    // "Description|pattern|..." as name filters a file dialog on this desktop
    // understands: "JPG Files (*.jpg)"; patterns that mean every file
    // ("*.*") become "*", since file names here need not have a dot.
    static QStringList toNameFilters(const QString &filter);

private:
    HelpViewer &helpViewer_;
};

} // namespace quillane
