// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"
#include "desktop/DataFiles.h"
#include "desktop/DesktopClose.h"
#include "desktop/DesktopPlatform.h"
#include "printing/CupsModulePrinter.h"

#include <QApplication>
#include <QIcon>
#include <QLoggingCategory>

#include <cstdio>
#include <cstdlib>

namespace {

// QT_LOGGING_RULES="quillane.files.info=true" shows which files the program found.
Q_LOGGING_CATEGORY(lcFiles, "quillane.files", QtWarningMsg)

QtMessageHandler qtHandler = nullptr;

// Qt aborts when no window system answers; say what the program needs instead.
void startupMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type != QtFatalMsg) {
        qtHandler(type, context, message);
        return;
    }
    std::fputs("Quillane needs a desktop session (X11 or Wayland) to show its window, and none\n"
               "could be reached. Start it from a terminal inside your desktop session, or\n"
               "start a virtual screen first:\n"
               "    Xvfb :77 -screen 0 1280x1024x24 &\n"
               "    DISPLAY=:77 quillane\n",
               stderr);
    std::_Exit(1);
}

} // namespace

int main(int argc, char *argv[])
{
    qtHandler = qInstallMessageHandler(startupMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    // Fusion honours the windows' own colours on every desktop.
    QApplication::setStyle("Fusion");
    // Wayland desktops find the launcher entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName("example.quillane.Quillane");
    QString iconFile;
    QApplication::setWindowIcon(quillane::programIcon(&iconFile));
    qCInfo(lcFiles, "icon: %s", qUtf8Printable(iconFile));
    qCInfo(lcFiles, "help file: %s", qUtf8Printable(quillane::findDataFile("quilldoc.hlp")));
    qCInfo(lcFiles, "printing module: %s",
           qUtf8Printable(quillane::CupsModulePrinter::installedModule()));

    quillane::DesktopPlatform desktop;
    quillane::MainWindow window(desktop.platform);
    window.setWindowIcon(QApplication::windowIcon());
    QObject::connect(&window, &quillane::MainWindow::quitConfirmed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    window.showCentred();
    quillane::endWithMainWindow(&window);
    return app.exec();
}
