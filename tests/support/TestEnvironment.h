// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FakeCommonDialog.h"
#include "FakePrinter.h"
#include "FakeUrlLauncher.h"
#include "ModalDriver.h"
#include "Pictures.h"
#include "pictures/QtPictureDecoder.h"
#include "platform/Platform.h"
#include "settings/QtSettingsStore.h"
#include "ui/Twips.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <unistd.h>

class QWidget;

namespace quillane {
class MainWindow;
}

namespace quillane::test {

// A configuration folder of the test's own: XDG_CONFIG_HOME points at it, so
// the program's settings go to a real QSettings file inside. Create it before
// anything touches QSettings.
class ConfigHome {
public:
    ConfigHome();

    QString settingsFile() const;
    // Removes every setting.
    void clear();
    // Writes the file as given, as a user editing it by hand would.
    void writeRaw(const QString &iniText);
    // A value as the file holds it, read by a fresh reader of the file.
    QString fileValue(const QString &key) const;
    bool fileHas(const QString &key) const;
    // Stores a value the way the program does.
    void set(const QString &key, const QString &value);

private:
    QTemporaryDir dir_;
};

// The program's platform with the real settings store and picture decoder,
// and doubles for dialogs, launcher and printer.
struct TestPlatform {
    QtSettingsStore settings;
    FakeCommonDialog commonDialog;
    QtPictureDecoder pictureDecoder;
    FakeUrlLauncher urlLauncher;
    FakePrinter printer;
    Platform platform{settings, commonDialog, pictureDecoder, urlLauncher, printer};
};

// The main window on platform as the program opens it, centred, once the
// window system has exposed it (a warning when it never does).
std::unique_ptr<MainWindow> showMainWindow(Platform &platform);

// The main window on fresh doubles, for a window test to derive from:
// start() opens it anew, stop() (the test's cleanup) closes it.
class MainWindowFixture {
protected:
    // prepare, if given, sets the doubles up before the window opens.
    MainWindow &start(const std::function<void(TestPlatform &)> &prepare = {});
    void stop();

    std::unique_ptr<TestPlatform> platform_;
    std::unique_ptr<MainWindow> window_;
};

// One control of a window as the design gives it. What a row leaves null or
// zero is not checked.
struct ControlRow {
    const char *name; // objectName
    TwipRect rect;
    const char *caption = nullptr; // a label's or a button's text
    qreal points = 0;              // Arial bold at this size
    const char *tooltip = nullptr; // "" for none
    const char *className = nullptr;
};

// Where a twip rectangle lies on the window: twips::rect, unless a window's
// test says otherwise.
using Placement = QRect (*)(const TwipRect &);

// Checks each row's control in window: found by its name, its class, place
// and size, caption, tooltip and font. False when a check failed (reported
// as it failed), so that the caller can QVERIFY it and stop.
bool checkControls(QWidget *window, std::span<const ControlRow> rows,
                   Placement placed = twips::rect);
bool checkControls(QWidget *window, std::initializer_list<ControlRow> rows,
                   Placement placed = twips::rect);

// The "Print to:" list once the printer has answered, its entries in order.
QStringList listedIn(QWidget *printTo, int timeoutMs = 5000);

// Counts the paint events of a window and its controls while it lives.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget *window);
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *window_;
};

// Clicks a window's child widget by objectName, as a user does.
void clickChild(QWidget *window, const char *name, Qt::MouseButton button = Qt::LeftButton);

// Root writes through permission bits: for the permission cases a test run
// by root acts as "nobody" by its effective user id only, so that it can
// return; its group stays root's, so the cases set group and other bits.
struct AsNobody {
    bool switched;
    explicit AsNobody(bool wanted) : switched(wanted && ::geteuid() == 0 && ::seteuid(65534) == 0)
    {
    }
    ~AsNobody()
    {
        if (switched && ::seteuid(0) != 0)
            qFatal("cannot return to root");
    }
};

// A field of this process's /proc/self/status ("VmRSS:", "VmHWM:") in KiB,
// or -1.
qint64 statusKilobytes(const char *field);

} // namespace quillane::test
