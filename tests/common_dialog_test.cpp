// SPDX-License-Identifier: GPL-3.0-or-later
// The common dialogs on Qt: the real file-open dialog with the filter list it
// is given, and help handed to the help viewer.
#include "covers/CoverSlot.h"
#include "desktop/QtCommonDialog.h"
#include "support/FakeHelpViewer.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QFileDialog>
#include <QTest>

using namespace quillane;

class CommonDialogTest : public QObject {
    Q_OBJECT

    QTemporaryDir files_;
    FakeHelpViewer helpViewer_;

private slots:
    void fileOpenOffersTheFiltersAndReturnsTheFullPath()
    {
        const QString picture = test::writePicture(files_, "cover.jpg", {8, 8});
        QtCommonDialog dialog(helpViewer_);
        dialog.setFilter(CoverSlot::FileFilter);
        dialog.setFlags(4);

        QStringList offered;
        test::modals() << [&](QWidget *modal) {
            auto *fileDialog = qobject_cast<QFileDialog *>(modal);
            QVERIFY(fileDialog);
            offered = fileDialog->nameFilters();
            // The name typed into the field that has the keyboard, as a user does.
            QTest::keyClicks(QApplication::focusWidget(), picture);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        };
        dialog.showOpen(nullptr);

        QCOMPARE(
            offered,
            QStringList(
                {"Supported File Types (*.jpg *.jpeg *.gif *.bmp *.png *.webp *.tif *.tiff)",
                 "JPG Files (*.jpg)", "GIF Files (*.gif)", "BMP Files (*.bmp)", "All Files (*)"}));
        QCOMPARE(dialog.fileName(), picture);
        // The other values stay as they were set.
        QCOMPARE(dialog.flags(), 4);
        QCOMPARE(dialog.filter(), CoverSlot::FileFilter);
    }

    void cancelledFileOpenChangesNothing()
    {
        QtCommonDialog dialog(helpViewer_);
        dialog.setFilter(CoverSlot::FileFilter);
        test::modals() << [](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); };
        dialog.showOpen(nullptr);
        QCOMPARE(dialog.fileName(), QString());
    }

    void helpGoesToTheViewer()
    {
        QtCommonDialog dialog(helpViewer_);
        dialog.setHelpFile("/opt/quillane/quilldoc.hlp");
        dialog.setHelpCommand(9);
        dialog.showHelp();
        QCOMPARE(helpViewer_.shown, QStringList({"/opt/quillane/quilldoc.hlp"}));
    }
};

QTEST_MAIN(CommonDialogTest)
#include "common_dialog_test.moc"
