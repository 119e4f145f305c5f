// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/QtUrlLauncher.h"

#include <QDesktopServices>
#include <QUrl>

namespace quillane {

void QtUrlLauncher::open(const QString &address)
{
    // fromUserInput turns "host/path" into "http://host/path", as a desktop
    // opener does, and keeps "mailto:" and full web addresses as they are.
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

} // namespace quillane
