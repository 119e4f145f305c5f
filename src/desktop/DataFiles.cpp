// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quillane {

namespace {

// The installed folders, relative to the installed program's folder.
QString installed(const char *relative)
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + '/' + relative);
}

} // namespace

QString findDataFile(const QString &name)
{
    for (const QString &folder :
         {QCoreApplication::applicationDirPath(), installed(QUILLANE_DATA_DIR)}) {
        const QString path = folder + '/' + name;
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

QIcon programIcon(QString *file)
{
    const QString theme = installed(QUILLANE_ICON_DIR);
    QString source = theme + "/scalable/apps/quillane.svg";
    QIcon icon;
    if (QFileInfo(source).isFile()) {
        icon.addFile(source);
        // The small sizes are drawn for their size; Qt picks the nearest.
        for (int size : {16, 24, 32, 48, 64, 128, 256}) {
            const QString png = QString("%1/%2x%2/apps/quillane.png").arg(theme).arg(size);
            if (QFileInfo(png).isFile())
                icon.addFile(png, QSize(size, size));
        }
    } else {
        source = ":/quillane.svg";
        icon = QIcon(source);
    }
    if (file)
        *file = source;
    return icon;
}

} // namespace quillane
