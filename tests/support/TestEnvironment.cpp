// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestEnvironment.h"

#include "app/MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace quillane::test {

ConfigHome::ConfigHome()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()));
}

QString ConfigHome::settingsFile() const
{
    return dir_.path() + "/Quillane/Quillane.conf";
}

void ConfigHome::clear()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "Quillane", "Quillane");
    settings.clear();
    settings.sync();
}

void ConfigHome::writeRaw(const QString &iniText)
{
    QDir().mkpath(dir_.path() + "/Quillane");
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(iniText.toUtf8());
    file.close();
    // QSettings notices a changed file by its time stamp: make sure it moves on.
    static int step = 0;
    QFile touched(settingsFile());
    QVERIFY(touched.open(QIODevice::ReadWrite));
    QVERIFY(touched.setFileTime(QDateTime::currentDateTime().addSecs(++step),
                                QFileDevice::FileModificationTime));
}

QString ConfigHome::fileValue(const QString &key) const
{
    QSettings file(settingsFile(), QSettings::IniFormat);
    return file.value("Settings/" + key).toString();
}

bool ConfigHome::fileHas(const QString &key) const
{
    QSettings file(settingsFile(), QSettings::IniFormat);
    return file.contains("Settings/" + key);
}

void ConfigHome::set(const QString &key, const QString &value)
{
    QtSettingsStore().save("Quillane", "Settings", key, value);
}

std::unique_ptr<MainWindow> showMainWindow(Platform &platform)
{
    modals();
    auto window = std::make_unique<MainWindow>(platform);
    window->showCentred();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("main window not exposed");
    return window;
}

MainWindow &MainWindowFixture::start(const std::function<void(TestPlatform &)> &prepare)
{
    stop();
    platform_ = std::make_unique<TestPlatform>();
    if (prepare)
        prepare(*platform_);
    window_ = showMainWindow(platform_->platform);
    if (!window_->windowHandle()->isExposed())
        QTest::qFail("the main window was not exposed", __FILE__, __LINE__);
    return *window_;
}

void MainWindowFixture::stop()
{
    window_.reset();
    platform_.reset();
}

namespace {

void checkControl(QWidget *window, const ControlRow &row, Placement placed)
{
    QWidget *widget = window->findChild<QWidget *>(row.name);
    QVERIFY2(widget, row.name);
    if (row.className)
        QCOMPARE(widget->metaObject()->className(), row.className);
    QCOMPARE(widget->geometry(), placed(row.rect));
    if (row.caption) {
        auto *label = qobject_cast<QLabel *>(widget);
        auto *button = qobject_cast<QAbstractButton *>(widget);
        QVERIFY2(label || button, row.name);
        QCOMPARE(label ? label->text() : button->text(), QString(row.caption));
    }
    if (row.tooltip)
        QCOMPARE(widget->toolTip(), QString(row.tooltip));
    if (row.points > 0) {
        QCOMPARE(widget->font().family(), QString("Arial"));
        QCOMPARE(widget->font().pointSizeF(), row.points);
        QVERIFY2(widget->font().bold(), row.name);
    }
}

} // namespace

bool checkControls(QWidget *window, std::span<const ControlRow> rows, Placement placed)
{
    for (const ControlRow &row : rows) {
        checkControl(window, row, placed);
        if (QTest::currentTestFailed()) {
            qWarning("the check above failed on %s", row.name);
            return false;
        }
    }
    return true;
}

bool checkControls(QWidget *window, std::initializer_list<ControlRow> rows, Placement placed)
{
    return checkControls(window, std::span(rows.begin(), rows.end()), placed);
}

PaintCounter::PaintCounter(QWidget *window) : window_(window)
{
    qApp->installEventFilter(this);
}

bool PaintCounter::eventFilter(QObject *watched, QEvent *event)
{
    paints += event->type() == QEvent::Paint && watched->isWidgetType() &&
              static_cast<QWidget *>(watched)->window() == window_;
    return false;
}

QStringList listedIn(QWidget *printTo, int timeoutMs)
{
    auto *list = printTo->findChild<QComboBox *>("Combo1");
    QStringList entries;
    if (!QTest::qWaitFor([list] { return list->isEnabled(); }, timeoutMs)) {
        QTest::qFail("the list did not fill", __FILE__, __LINE__);
        return entries;
    }
    for (int i = 0; i < list->count(); ++i)
        entries << list->itemText(i);
    return entries;
}

void clickChild(QWidget *window, const char *name, Qt::MouseButton button)
{
    QWidget *child = window->findChild<QWidget *>(name);
    QVERIFY2(child, name);
    QTest::mouseClick(child, button, Qt::NoModifier, child->rect().center());
}

qint64 statusKilobytes(const char *field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace quillane::test
