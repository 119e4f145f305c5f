// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

namespace quillane {

// The main window's one common-dialog component. Its six values keep
// whatever was last assigned for as long as the main window lives; no caller
// resets what another caller set.
class CommonDialog {
public:
    virtual ~CommonDialog() = default;

    // "Description|pattern|Description|pattern|..." as the file-open dialog lists it.
    QString filter() const { return filter_; }
    void setFilter(const QString &filter) { filter_ = filter; }
    qint32 flags() const { return flags_; }
    void setFlags(qint32 flags) { flags_ = flags; }
    QString fileName() const { return fileName_; }
    void setFileName(const QString &fileName) { fileName_ = fileName; }
    // Colour value 0x00BBGGRR.
    quint32 color() const { return color_; }
    void setColor(quint32 color) { color_ = color; }
    QString helpFile() const { return helpFile_; }
    void setHelpFile(const QString &helpFile) { helpFile_ = helpFile; }
    int helpCommand() const { return helpCommand_; }
    void setHelpCommand(int helpCommand) { helpCommand_ = helpCommand; }

    // Modal. On confirmation the file name becomes the chosen file's full
    // path; on cancel nothing changes.
    virtual void showOpen(QWidget *parent) = 0;
    // Modal over parent. On confirmation the colour becomes the chosen colour
    // and the result is true; a cancel leaves it and returns false.
    virtual bool showColor(QWidget *parent) = 0;
    // Hands the help file and command to the help viewer and returns at once.
    virtual void showHelp() = 0;
    // Modal file-save dialog titled title, offering suggested (a full path)
    // and the files filter lists ("Description|pattern|..."); a file that
    // exists is replaced only when the user confirms. The chosen path, or
    // empty on cancel. None of the six values changes.
    virtual QString showSave(QWidget *parent, const QString &title, const QString &filter,
                             const QString &suggested) = 0;

private:
    QString filter_;
    qint32 flags_ = 0;
    QString fileName_;
    quint32 color_ = 0;
    QString helpFile_;
    int helpCommand_ = 0;
};

} // namespace quillane
