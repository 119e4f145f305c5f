// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file under faults: what the user sees at start and after a
// click, and what the folder holds afterwards.
#include "app/MainWindow.h"
#include "base/Failures.h"
#include "support/MemorySettingsStore.h"
#include "support/TestEnvironment.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QProcess>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace quillane;

namespace {

// Every message window as "Error: n|text", answered with "&Ok".
struct Messages : QStringList {
    QTimer timer;
    Messages()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && modal->objectName() == "Form5" && modal->isVisible()) {
                append(modal->findChild<QLabel *>("Label6")->text() + '|' +
                       modal->findChild<QLabel *>("Label1")->text());
                test::clickChild(modal, "Command2");
            }
        });
        timer.start(10);
    }
};

mode_t kindOf(const QString &path)
{
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & S_IFMT : 0;
}

// Every entry under root with its kind, and the bytes of each regular file.
QString snapshot(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        const bool regular = kindOf(file.fileName()) == S_IFREG && file.open(QIODevice::ReadOnly);
        entries << file.fileName() + QString::number(kindOf(file.fileName()), 8) +
                       (regular ? file.readAll() : QByteArray());
    }
    entries.sort();
    return entries.join('\n');
}

// Frees whatever the program could wait on, so that a fault fails a check and
// never hangs the test: a pipe's reader gets its end of file, its writer a
// reader, and a lock folder goes after five seconds.
struct Unblocker {
    std::atomic<bool> waited{false};
    std::jthread thread;
    Unblocker(const QStringList &pipes, const QString &lockFolder)
        : thread([=, this](std::stop_token stop) {
              for (int tick = 0; !stop.stop_requested(); ++tick) {
                  for (const QString &pipe : pipes) {
                      char byte;
                      for (int mode : {O_WRONLY, O_RDONLY}) {
                          const int fd = kindOf(pipe) == S_IFIFO
                                             ? ::open(QFile::encodeName(pipe), mode | O_NONBLOCK)
                                             : -1;
                          if (fd >= 0 && (mode == O_WRONLY || ::read(fd, &byte, 1) > 0))
                              waited = true; // only a reader lets O_WRONLY open
                          if (fd >= 0)
                              ::close(fd);
                      }
                  }
                  if (tick == 250 && QDir().rmdir(lockFolder))
                      waited = true;
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          })
    {
    }
};

// What a control shows: a button on or off, an icon shown or hidden, the
// swatch's colour, the window's height; and "disabled" where it is.
QString shown(QWidget *window, const QString &name)
{
    if (name == "height")
        return QString::number(window->height());
    QWidget *control = window->findChild<QWidget *>(name);
    QString text = control->isVisible() ? "shown" : "hidden";
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        text = button->isChecked() ? "on" : "off";
    else if (name == "Label3")
        text = control->palette().color(QPalette::Window).name();
    return control->isEnabled() ? text : text + " disabled";
}

} // namespace

class SettingsFaultsTest : public QObject {
    Q_OBJECT

    test::ConfigHome home_;

private slots:
    void faultsOnTheRealFile_data()
    {
        QTest::addColumn<QString>("prepare"); // shell lines in the configuration folder
        QTest::addColumn<QString>("atStart"); // the problem told at start
        QTest::addColumn<int>("number");      // the message after unchecking "Front", if any
        QTest::addColumn<QString>("reason");
        auto row = [](const char *name, const char *prepare, const char *atStart, int number = 0,
                      const char *reason = "") {
            QTest::newRow(name) << QString(prepare) << QString(atStart) << number
                                << QString(reason);
        };
        row("read-only folder", "chmod 555 Quillane; chmod go+x .", "", 70,
            "its folder is read-only");
        row("write cut short", ":", "", 75, "the system refused to write it");
        row("pipe", "rm $F; mkfifo $F", "is a named pipe");
        row("lock folder", "mkdir $F.lock", "", 75, "its lock file Quillane.conf.lock is a folder");
        row("lock just taken by another program", "echo x >$F.lock", "", 75,
            "another program holds its lock file Quillane.conf.lock");
        row("link to a file", "rm $F; touch elsewhere/real.conf; ln -s ../elsewhere/real.conf $F",
            "");
        row("link to a pipe", "rm $F; mkfifo elsewhere/pipe; ln -s ../elsewhere/pipe $F",
            "is a link to a named pipe");
        row("link to nothing", "rm $F; ln -s ../elsewhere/none $F", "is a link to nothing");
        row("folder is a file", "rm -r Quillane; touch Quillane",
            "cannot be reached: part of its folder is not a folder");
        row("unreadable", "chmod 000 $F; chmod go+x .", "cannot be read (permission denied)");
        row("damaged", "printf '[Settings\\nPrintFront=False\\n' >$F", "is damaged");
    }

    // The window comes up whatever the folder holds. A file that cannot be
    // used is told once at start, and the run goes on with the defaults in
    // memory; a click that is not stored is told once, and the box shows what
    // is stored. Nothing but the settings file is ever written.
    void faultsOnTheRealFile()
    {
        QFETCH(QString, prepare);
        QFETCH(QString, atStart);
        QFETCH(int, number);
        QFETCH(QString, reason);
        const QString file = home_.settingsFile();
        const QString root = QDir::cleanPath(QFileInfo(file).absolutePath() + "/..");
        const QString stray = root + "/elsewhere/";
        QDir().mkpath(stray);
        home_.writeRaw(
            "[Settings]\nHomePage=x\nBorder=Both\nBorderLine=False\nGuideLine=False\n"
            "LineColor=0\nPrintBack=True\nPrintFront=True\nFormHeight=3975\nNote=a,b,c,d\n");
        auto cleanup = qScopeGuard([&] {
            QProcess::execute("sh", {"-c", "cd '" + root + "' && chmod -R u+rwx . && rm -rf *"});
        });
        QCOMPARE(QProcess::execute(
                     "sh", {"-c", "cd '" + root + "' && F=Quillane/Quillane.conf && " + prepare}),
                 0);
        const QString before = snapshot(root);
        Unblocker unblocker({file, stray + "pipe"}, file + ".lock");
        Messages messages;
        {
            test::AsNobody nobody(prepare.contains("chmod"));
            test::TestPlatform platform;
            auto window = test::showMainWindow(platform.platform);
            QTest::qWait(50);
            QCOMPARE(messages.join(""),
                     atStart.isEmpty()
                         ? QString()
                         : "Error: 75|" + failures::settingsUnusable(file, atStart).description);
            messages.clear();
            QVERIFY(window->printFrontBox()->isChecked());
            struct rlimit limit {};
            ::getrlimit(RLIMIT_FSIZE, &limit);
            if (QTest::currentDataTag() == QLatin1String("write cut short")) {
                std::signal(SIGXFSZ, SIG_IGN);
                // QSettings writes the list out longer: the kernel cuts that
                // write short, even for root.
                struct rlimit tight = limit;
                tight.rlim_cur = QFileInfo(file).size();
                ::setrlimit(RLIMIT_FSIZE, &tight);
            }
            test::clickChild(window.get(), "Check1");
            ::setrlimit(RLIMIT_FSIZE, &limit);
            QCOMPARE(window->printFrontBox()->isChecked(), number != 0); // as stored
        }
        QVERIFY2(!unblocker.waited, "the program waited on a pipe or a lock");
        QCOMPARE(messages.join(""),
                 number ? QString("Error: %1|Not saved in %2: %3.").arg(number).arg(file, reason)
                        : QString());
        if (!prepare.contains("real.conf")) {
            QCOMPARE(snapshot(root), before); // nothing written, nothing replaced
            return;
        }
        QVERIFY(QFileInfo(file).isSymLink());
        QCOMPARE(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files | QDir::System),
                 QStringList("Quillane.conf"));
        QSettings real(stray + "real.conf", QSettings::IniFormat);
        QCOMPARE(real.value("Settings/PrintFront").toString(), QString("False"));
    }

    void aFailedClickShowsWhatIsStored_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("clicked"); // "Form8/..." inside Print Settings
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const char *stored, const char *clicked,
                      const char *expected) {
            QTest::newRow(name) << QString(stored) << QString(clicked) << QString(expected);
        };
        row("Back", "PrintBack=False", "Check2", "Check2=off");
        row("close the strip", "FormHeight=4815", "Image4",
            "Image3=hidden;Image4=shown;height=321");
        row("guide lines", "", "Form8/Check1", "Check1=off;Label3=#c0c0c0 disabled");
        row("border option", "BorderLine=True;Border=Back", "Form8/Option1(0)",
            "Option1(0)=off;Option1(1)=on");
        row("colour", "GuideLine=True;LineColor=255", "Form8/Label3", "Check1=on;Label3=#ff0000");
    }

    // A full disk, in a double of the store: one message for the click, and
    // the controls show what is stored.
    void aFailedClickShowsWhatIsStored()
    {
        QFETCH(QString, stored);
        QFETCH(QString, clicked);
        QFETCH(QString, expected);
        MemorySettingsStore store;
        for (const SettingDefault &setting : settingDefaults())
            store.set(setting.key, setting.value);
        for (const QString &pair : stored.split(';', Qt::SkipEmptyParts))
            store.set(pair.section('=', 0, 0), pair.section('=', 1));
        FakeCommonDialog dialogs;
        dialogs.colorAnswers << 0x00ff00;
        QtPictureDecoder decoder;
        FakeUrlLauncher launcher;
        FakePrinter printer;
        Platform platform{store, dialogs, decoder, launcher, printer};
        auto window = test::showMainWindow(platform);
        store.failSaves =
            failures::settingsNotSaved("/x/Quillane.conf", failures::DiskFull, "the disk is full");
        store.saves.clear();
        Messages messages;

        QStringList actual;
        auto check = [&](QWidget *in, const QString &control) {
            test::clickChild(in, control.toLatin1().constData());
            for (const QString &pair : expected.split(';'))
                actual << pair.section('=', 0, 0) + '=' + shown(in, pair.section('=', 0, 0));
        };
        if (clicked.startsWith("Form8/")) {
            test::modals() << [&](QWidget *dialog) {
                check(dialog, clicked.mid(6));
                test::clickChild(dialog, "Command1");
            };
            test::clickChild(window.get(), "Command2");
        } else {
            check(window.get(), clicked);
        }
        QCOMPARE(actual.join(';'), expected);
        QCOMPARE(messages, QStringList("Error: 61|" + store.failSaves->description));
        QCOMPARE(store.saves.size(), 1);
    }
};

QTEST_MAIN(SettingsFaultsTest)
#include "settings_faults_test.moc"
