// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/QtCommonDialog.h"

#include "base/ColorValue.h"
#include "desktop/FileOpenDialog.h"
#include "platform/HelpViewer.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>

namespace quillane {

QtCommonDialog::QtCommonDialog(HelpViewer &helpViewer) : helpViewer_(helpViewer) {}

QStringList QtCommonDialog::toNameFilters(const QString &filter)
{
    const QStringList parts = filter.split('|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        if (description.isEmpty() && pattern.isEmpty())
            continue;
        // The description often repeats its pattern already: "JPG Files (*.jpg)".
        const QString repeated = " (" + pattern + ")";
        if (description.endsWith(repeated))
            description.chop(repeated.size());
        QStringList patterns = pattern.split(';', Qt::SkipEmptyParts);
        for (QString &p : patterns) {
            p = p.trimmed();
            if (p == "*.*")
                p = "*";
        }
        result << description + " (" + patterns.join(' ') + ")";
    }
    return result;
}

void QtCommonDialog::showOpen(QWidget *parent)
{
    // Flags 4 hides a read-only check box, which Qt's dialog does not have.
    const QString chosen = chooseFileToOpen(parent, toNameFilters(filter()).join(";;"));
    if (!chosen.isEmpty())
        setFileName(chosen);
}

bool QtCommonDialog::showColor(QWidget *parent)
{
    const QColor chosen = QColorDialog::getColor(fromColorValue(color()), parent);
    if (!chosen.isValid())
        return false;
    setColor(toColorValue(chosen));
    return true;
}

void QtCommonDialog::showHelp()
{
    helpViewer_.show(helpFile());
}

QString QtCommonDialog::showSave(QWidget *parent, const QString &title, const QString &filter,
                                 const QString &suggested)
{
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(toNameFilters(filter));
    // A name typed without its ending gets the filter's.
    const QString suffix = QFileInfo(suggested).suffix();
    if (!suffix.isEmpty())
        dialog.setDefaultSuffix(suffix);
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

} // namespace quillane
