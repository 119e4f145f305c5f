// The settings file under faults, on a real QSettings file: what the user
// sees at start and after a click, and what the folder holds afterwards.
#include "app/MainWindow.h"
#include "doubles/MemorySettingsStore.h"
#include "doubles/TestEnvironment.h"
#include "platform/Failures.h"
#include "settings/Settings.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QLockFile>
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

enum Fault {
    ReadOnlyFolder,
    WriteCutShort,
    Pipe,
    LockFolder,
    HeldLock,
    LinkToFile,
    LinkToPipe,
    LinkToNothing,
    FolderIsAFile,
    UnreadableFile,
    DamagedFile
};

const QString Seeded = "[Settings]\nHomePage=x\nBorder=Both\nBorderLine=False\nGuideLine=False\n"
                       "LineColor=0\nPrintBack=True\nPrintFront=True\nFormHeight=3975\n";

// Every message window as "Error: n|text", answered with "&Ok".
struct Messages : QStringList {
    QTimer timer;
    Messages()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || modal->objectName() != "Form5" || !modal->isVisible())
                return;
            append(modal->findChild<QLabel *>("Label6")->text() + '|' +
                   modal->findChild<QLabel *>("Label1")->text());
            test::clickChild(modal, "Command2");
        });
        timer.start(10);
    }
};

// Every entry under root with its kind, and the bytes of each regular file.
QString snapshot(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info {};
        ::lstat(QFile::encodeName(path).constData(), &info);
        QFile file(path);
        const bool regular = S_ISREG(info.st_mode) && file.open(QIODevice::ReadOnly);
        entries << QString("%1 %2 %3")
                       .arg(path)
                       .arg(info.st_mode, 0, 8)
                       .arg(regular ? QString(file.readAll()) : QString());
    }
    entries.sort();
    return entries.join('\n');
}

// Frees whatever the program could wait on, so that a fault shows as a failed
// check, never as a hang: it gives a reader of the pipe its end of file and a
// writer its reader, and takes a lock folder away after five seconds.
class Unblocker {
public:
    Unblocker(const QString &pipe, const QString &lockFolder)
        : thread_([this, pipe = QFile::encodeName(pipe), lock = QFile::encodeName(lockFolder)] {
              for (int tick = 0; !stop_; ++tick) {
                  if (!pipe.isEmpty()) {
                      int fd = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK);
                      if (fd >= 0) { // only while somebody reads it
                          waited_ = true;
                          ::close(fd);
                      }
                      fd = ::open(pipe.constData(), O_RDONLY | O_NONBLOCK);
                      char byte;
                      if (fd >= 0 && ::read(fd, &byte, 1) > 0)
                          waited_ = true;
                      if (fd >= 0)
                          ::close(fd);
                  }
                  if (!lock.isEmpty() && tick == 250 && ::rmdir(lock.constData()) == 0)
                      waited_ = true;
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          })
    {
    }
    ~Unblocker()
    {
        stop_ = true;
        thread_.join();
    }
    bool waited() const { return waited_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> waited_{false};
    std::thread thread_;
};

// Root writes through permission bits: for the permission cases a test run
// by root acts as "nobody" by its effective user id only, so that it can
// return; its group stays root's, so group and others get the same bits.
struct AsNobody {
    bool switched = false;
    explicit AsNobody(bool wanted)
    {
        switched = wanted && ::geteuid() == 0 && ::seteuid(65534) == 0;
    }
    ~AsNobody()
    {
        if (switched && ::seteuid(0) != 0)
            qFatal("cannot return to root");
    }
};

// What a control shows: a button on or off, an icon shown or hidden, the
// swatch's colour, the window's height; and "disabled" where it is.
QString shown(QWidget *window, const QString &name)
{
    if (name == "height")
        return QString::number(window->height());
    QWidget *control = window->findChild<QWidget *>(name);
    QString text;
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        text = button->isChecked() ? "on" : "off";
    else if (name == "Label3")
        text = control->palette().color(QPalette::Window).name();
    else
        text = control->isVisible() ? "shown" : "hidden";
    return control->isEnabled() ? text : text + " disabled";
}

} // namespace

class SettingsFaultsTest : public QObject {
    Q_OBJECT

    test::ConfigHome home_;

private slots:
    void faultsOnTheRealFile_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<QString>("atStart");    // the problem told at start, if any
        QTest::addColumn<QString>("afterClick"); // the message after unchecking "Front"
        QTest::addColumn<bool>("frontAfter");
        using namespace failures;
        QTest::newRow("read-only folder")
            << int(ReadOnlyFolder) << QString()
            << "Error: 70|Not saved in %1: its folder is read-only." << true;
        QTest::newRow("write cut short")
            << int(WriteCutShort) << QString()
            << "Error: 75|Not saved in %1: the system refused to write it." << true;
        QTest::newRow("pipe") << int(Pipe) << "is a named pipe" << QString() << false;
        QTest::newRow("lock folder")
            << int(LockFolder) << QString()
            << "Error: 75|Not saved in %1: its lock file Quillane.conf.lock is a folder." << true;
        QTest::newRow("lock held elsewhere")
            << int(HeldLock) << QString()
            << "Error: 75|Not saved in %1: another program holds its lock file Quillane.conf.lock."
            << true;
        QTest::newRow("link to a file") << int(LinkToFile) << QString() << QString() << false;
        QTest::newRow("link to a pipe")
            << int(LinkToPipe) << "is a link to a named pipe" << QString() << false;
        QTest::newRow("link to nothing")
            << int(LinkToNothing) << "is a link to nothing" << QString() << false;
        QTest::newRow("folder is a file")
            << int(FolderIsAFile) << "cannot be reached: part of its folder is not a folder"
            << QString() << false;
        QTest::newRow("unreadable")
            << int(UnreadableFile) << "cannot be read (permission denied)" << QString() << false;
        QTest::newRow("damaged") << int(DamagedFile) << "is damaged" << QString() << false;
    }

    // At start the window comes up; a store that cannot be used is told once
    // and the run goes on with the defaults in memory; a click whose value is
    // not stored is told once and the box shows what is stored.
    void faultsOnTheRealFile()
    {
        QFETCH(int, fault);
        QFETCH(QString, atStart);
        QFETCH(QString, afterClick);
        QFETCH(bool, frontAfter);
        const QString file = home_.settingsFile();
        const QString folder = QFileInfo(file).absolutePath();
        const QString root = QFileInfo(folder).absolutePath();
        const QString stray = root + "/elsewhere";
        QDir().mkpath(stray);
        QDir().mkpath(folder);
        auto cleanup = qScopeGuard([&] {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QDir(folder).removeRecursively();
            QFile::remove(folder);
            QDir(stray).removeRecursively();
        });
        if (QList<int>{ReadOnlyFolder, WriteCutShort, LockFolder, HeldLock, UnreadableFile}
                .contains(fault))
            home_.writeRaw(Seeded);
        std::unique_ptr<QLockFile> held;
        struct rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        switch (fault) {
        case ReadOnlyFolder:
            QFile::setPermissions(root,
                                  QFile::permissions(root) | QFile::ExeGroup | QFile::ExeOther);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
            break;
        case WriteCutShort: // the kernel stops the write short, root or not
            home_.writeRaw(Seeded + "Note=" + QString(200, 'x') + '\n');
            std::signal(SIGXFSZ, SIG_IGN);
            break;
        case Pipe:
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
            break;
        case LockFolder:
            QDir().mkpath(file + ".lock");
            break;
        case HeldLock:
            held = std::make_unique<QLockFile>(file + ".lock");
            QVERIFY(held->tryLock());
            break;
        case LinkToFile:
            QFile::remove(file);
            QVERIFY(QFile(stray + "/real.conf").open(QIODevice::WriteOnly));
            QVERIFY(QFile::link(stray + "/real.conf", file));
            break;
        case LinkToPipe:
            QCOMPARE(::mkfifo(QFile::encodeName(stray + "/pipe").constData(), 0600), 0);
            QVERIFY(QFile::link(stray + "/pipe", file));
            break;
        case LinkToNothing:
            QVERIFY(QFile::link(stray + "/missing.conf", file));
            break;
        case FolderIsAFile:
            QDir(folder).removeRecursively();
            QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
            break;
        case UnreadableFile:
            QFile::setPermissions(root,
                                  QFile::permissions(root) | QFile::ExeGroup | QFile::ExeOther);
            QFile::setPermissions(file, {});
            break;
        case DamagedFile:
            home_.writeRaw("[Settings\nPrintFront=False\n");
            break;
        }
        const QString before = snapshot(root);
        const QString pipe = fault == Pipe ? file : fault == LinkToPipe ? stray + "/pipe" : "";
        Unblocker unblocker(pipe, fault == LockFolder ? file + ".lock" : "");
        Messages messages;
        qsizetype told = 0;
        {
            AsNobody nobody(fault == ReadOnlyFolder || fault == UnreadableFile);
            test::TestPlatform platform;
            auto window = test::showMainWindow(platform.platform);
            QTest::qWait(50);
            QCOMPARE(messages,
                     atStart.isEmpty()
                         ? QStringList()
                         : QStringList("Error: 75|" +
                                       failures::settingsUnusable(file, atStart).description));
            told = messages.size();
            QVERIFY(window->printFrontBox()->isChecked());
            if (fault == WriteCutShort) {
                struct rlimit tight = limit;
                tight.rlim_cur = QFileInfo(file).size() - 16; // room for the lock file
                ::setrlimit(RLIMIT_FSIZE, &tight);
            }
            test::clickChild(window.get(), "Check1");
            ::setrlimit(RLIMIT_FSIZE, &limit);
            QCOMPARE(window->printFrontBox()->isChecked(), frontAfter);
        }
        QVERIFY2(!unblocker.waited(), "the program waited on the pipe or the lock");
        QCOMPARE(messages.mid(told),
                 afterClick.isEmpty() ? QStringList() : QStringList(afterClick.arg(file)));
        if (fault != LinkToFile) {
            QCOMPARE(snapshot(root), before); // nothing written, nothing replaced
            return;
        }
        QVERIFY(QFileInfo(file).isSymLink());
        QFile real(stray + "/real.conf");
        QVERIFY(real.open(QIODevice::ReadOnly));
        QVERIFY(real.readAll().contains("PrintFront=False"));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                 QStringList("Quillane.conf"));
    }

    void aFailedClickShowsWhatIsStored_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("clicked"); // "Form8/..." inside Print Settings
        QTest::addColumn<QString>("expected");
        QTest::newRow("Front") << ""
                               << "Check1"
                               << "Check1=on";
        QTest::newRow("Back") << "PrintBack=False"
                              << "Check2"
                              << "Check2=off";
        QTest::newRow("open the strip") << ""
                                        << "Image3"
                                        << "Image3=shown;Image4=hidden;height=265";
        QTest::newRow("close the strip") << "FormHeight=4815"
                                         << "Image4"
                                         << "Image3=hidden;Image4=shown;height=321";
        QTest::newRow("guide lines") << ""
                                     << "Form8/Check1"
                                     << "Check1=off;Label3=#c0c0c0 disabled";
        QTest::newRow("borders") << "BorderLine=True;Border=Back"
                                 << "Form8/Check2"
                                 << "Check2=on;Option1(1)=on;Option1(0)=off";
        QTest::newRow("border option") << "BorderLine=True;Border=Back"
                                       << "Form8/Option1(0)"
                                       << "Option1(0)=off;Option1(1)=on";
        QTest::newRow("colour") << "GuideLine=True;LineColor=255"
                                << "Form8/Label3"
                                << "Check1=on;Label3=#ff0000";
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
        const Failure full =
            failures::settingsNotSaved("/x/Quillane.conf", failures::DiskFull, "the disk is full");
        store.failSaves = full;
        store.saves.clear();
        Messages messages;

        QStringList actual;
        auto check = [&](QWidget *in, const QString &control) {
            test::clickChild(in, control.toLatin1().constData());
            for (const QString &pair : expected.split(';'))
                actual << pair.section('=', 0, 0) + '=' + shown(in, pair.section('=', 0, 0));
        };
        if (clicked.startsWith("Form8/")) {
            test::onNextModal([&](QWidget *dialog) {
                check(dialog, clicked.mid(6));
                test::clickChild(dialog, "Command1");
            });
            test::clickChild(window.get(), "Command2");
        } else {
            check(window.get(), clicked);
        }
        QCOMPARE(actual.join(';'), expected);
        QCOMPARE(messages, QStringList("Error: 61|" + full.description));
        QCOMPARE(store.saves.size(), 1);
    }
};

QTEST_MAIN(SettingsFaultsTest)
#include "settings_faults_test.moc"
