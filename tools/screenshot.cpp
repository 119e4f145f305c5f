// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the main window, search strip open, into a PNG file for the
// software-centre entry. Runs on the offscreen platform with settings of its
// own, so the user's settings stay untouched.
//   quillane_screenshot <out.png>
#include "app/MainWindow.h"
#include "desktop/DesktopPlatform.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: quillane_screenshot <out.png>\n", stderr);
        return 2;
    }
    QApplication::setStyle("Fusion");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    quillane::DesktopPlatform desktop;
    desktop.settings.save("Quillane", "Settings", quillane::keys::FormHeight,
                          QString::number(quillane::OpenFormHeight));
    quillane::MainWindow window(desktop.platform);
    window.showCentred();
    QApplication::processEvents();
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(QFileInfo(out).absolutePath());
    if (!window.grab().save(out)) {
        std::fprintf(stderr, "quillane_screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
