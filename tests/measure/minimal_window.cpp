// SPDX-License-Identifier: GPL-3.0-or-later
// The smallest Qt Widgets program that maps a window: the baseline that
// Quillane's start-up is measured against.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle("Minimal Qt window");
    window.resize(384, 265);
    window.show();
    return app.exec();
}
