// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "settings/Settings.h"

#include <QString>
#include <QWidget>

#include <utility>
#include <vector>

class QCheckBox;
class QPushButton;

namespace quillane {

class ClickLabel;
class CoverSlot;
class FilledRect;
class SearchPanel;
struct Platform;

// The main window "form1": title band, toolbar, cover slots and search strip.
// It holds the state the other windows share for the run.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(Platform &platform, QWidget *parent = nullptr);

    // Shows the window centred on its screen with the focus on help.
    void showCentred();

    Platform &platform() { return platform_; }
    Settings &settings() { return settings_; }

    // The dialog result: a caller empties it, shows a dialog that can refuse,
    // and then takes exactly "False" as refused.
    QString &dialogResult() { return dialogResult_; }

    CoverSlot &frontSlot() { return *frontSlot_; }
    CoverSlot &backSlot() { return *backSlot_; }
    // The "Front" and "Back" print check boxes.
    QCheckBox *printFrontBox() const { return printFront_; }
    QCheckBox *printBackBox() const { return printBack_; }
    SearchPanel &searchPanel() { return *searchPanel_; }

    // Shows the search strip open or closed, and the window's height, as a
    // stored "FormHeight" says.
    void applyFormHeight(const QString &stored);

protected:
    void resizeEvent(QResizeEvent *event) override;

signals:
    // The user confirmed quitting: the program ends.
    void quitConfirmed();

private:
    void buildChrome();
    void buildToolbar();
    void buildSlots();
    void buildSearchIcons();
    void buildSearchPanel();
    void applyTabOrder();
    void keepStripFocusInSight();
    void load();
    void savePrintCheck(QCheckBox *box, const QString &key, bool checked);

    void dragByTitle(QPoint pressGlobalPos);
    void openHelp();
    void showAbout();
    void askToQuit();

    Platform &platform_;
    Settings settings_;
    QString dialogResult_;
    // Why the settings could not be used or seeded, told once the window shows.
    MaybeFailure startFailure_;

    FilledRect *titleBand_ = nullptr;
    QCheckBox *printFront_ = nullptr;
    QCheckBox *printBack_ = nullptr;
    CoverSlot *frontSlot_ = nullptr;
    CoverSlot *backSlot_ = nullptr;
    SearchPanel *searchPanel_ = nullptr;
    // The strip's controls that take the focus, with their own focus policy.
    std::vector<std::pair<QWidget *, Qt::FocusPolicy>> stripFocus_;
};

} // namespace quillane
