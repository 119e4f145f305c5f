#include "app/MainWindow.h"
#include "platform/CupsPrinter.h"
#include "platform/Platform.h"
#include "platform/QtCommonDialog.h"
#include "platform/QtHelpViewer.h"
#include "platform/QtPictureDecoder.h"
#include "platform/QtSettingsStore.h"
#include "platform/QtUrlLauncher.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Fusion honours the windows' own colours on every desktop.
    QApplication::setStyle("Fusion");
    QApplication::setWindowIcon(QIcon(":/quillane.png"));

    quillane::QtSettingsStore settings;
    quillane::QtHelpViewer helpViewer;
    quillane::QtCommonDialog commonDialog(helpViewer);
    quillane::QtPictureDecoder pictureDecoder;
    quillane::QtUrlLauncher urlLauncher;
    quillane::CupsPrinter printer;
    quillane::Platform platform{settings, commonDialog, pictureDecoder, urlLauncher, printer};

    quillane::MainWindow window(platform);
    QObject::connect(&window, &quillane::MainWindow::quitConfirmed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    window.showCentred();
    return app.exec();
}
