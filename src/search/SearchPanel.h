// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QComboBox;
class QLineEdit;

namespace quillane {

class ClickLabel;
class Settings;
class UrlLauncher;

// The cover archive the strip searches.
inline const QString ArchiveHost = QStringLiteral("artvault.example");

struct CoverType {
    QString listText;
    QString group;
};

// The cover types in the order the list shows them.
const std::array<CoverType, 7> &coverTypes();

// The archive's group keyword for a list text: only the whole text, exactly as
// listed, matches.
std::optional<QString> coverGroupFor(const QString &listText);

// The archive's search page for a group and the search words. Both go in as
// query values, percent-encoded, so that "a&b" stays one search.
QString archiveSearchAddress(const QString &group, const QString &words);

// The "Artvault Search" strip along the bottom of the main window. Its controls
// live on the window; opening and closing only change the window's height, so
// the strip lies inside or below the window and keeps its contents either way.
class SearchPanel final : public QObject {
    Q_OBJECT
public:
    struct Services {
        Settings &settings;
        UrlLauncher &urlLauncher;
        // Shows the window as a stored "FormHeight" gives it.
        std::function<void(const QString &stored)> applyFormHeight;
    };

    // Builds the strip's controls on window; the two icons must already be there.
    SearchPanel(QWidget &window, Services services);

    void open();
    void close();

    // The group keyword of the cover type picked last; empty until one is picked.
    QString coverGroup() const { return coverGroup_; }

private:
    void saveHeight(int height);
    void pickCoverType(const QString &listText);
    void search();

    QWidget &window_;
    Services services_;
    ClickLabel *showIcon_;
    ClickLabel *hideIcon_;
    QLineEdit *words_;
    QComboBox *coverType_;
    QString coverGroup_;
};

} // namespace quillane
