// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/QtHelpViewer.h"

#include "desktop/DataFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>

namespace quillane {

QtHelpViewer::~QtHelpViewer()
{
    delete window_;
}

QTextBrowser *QtHelpViewer::window() const
{
    return window_;
}

void QtHelpViewer::show(const QString &requested)
{
    // Installed in the usual layout, the help lives in the data folder.
    const QString installed =
        QFileInfo::exists(requested) ? QString() : findDataFile(QFileInfo(requested).fileName());
    const QString &helpFile = installed.isEmpty() ? requested : installed;
    if (!window_) {
        window_ = new QTextBrowser;
        window_->setObjectName("HelpViewer");
        window_->setOpenExternalLinks(true);
        window_->resize(640, 560);
        // The program ends with its main window, whether help is open or not.
        window_->setAttribute(Qt::WA_QuitOnClose, false);
    }
    window_->setWindowTitle("Quillane Help");

    QFile file(helpFile);
    if (file.open(QIODevice::ReadOnly)) {
        // Relative links and pictures resolve against the help file's folder.
        window_->setSearchPaths({QFileInfo(helpFile).absolutePath()});
        window_->setHtml(QString::fromUtf8(file.readAll()));
    } else {
        window_->setHtml(
            QString("<h3>The help file could not be opened</h3>"
                    "<p>Quillane looked for its help in <b>%1</b>, but the file could not be "
                    "read: %2.</p><p>Reinstalling Quillane puts the help file back.</p>")
                .arg(helpFile.toHtmlEscaped(), file.errorString().toHtmlEscaped()));
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

} // namespace quillane
