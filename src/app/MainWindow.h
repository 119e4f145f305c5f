#pragma once

#include "settings/Settings.h"

#include <QString>
#include <QWidget>

class QCheckBox;
class QPushButton;

namespace quillane {

class ClickLabel;
class FilledRect;
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

private:
    void buildChrome();
    void buildToolbar();
    void buildSearchIcons();
    void applyTabOrder();
    void load();
    void applyFormHeight(const QString &stored);

    void dragByTitle(QPoint pressGlobalPos);
    void openHelp();

    Platform &platform_;
    Settings settings_;
    QString dialogResult_;

    FilledRect *titleBand_ = nullptr;
    QCheckBox *printFront_ = nullptr;
    QCheckBox *printBack_ = nullptr;
};

} // namespace quillane
