// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Failure.h"

#include <QString>

#include <array>
#include <optional>

namespace quillane {

class SettingsStore;

namespace keys {
inline const QString HomePage = QStringLiteral("HomePage");
inline const QString Border = QStringLiteral("Border");
inline const QString BorderLine = QStringLiteral("BorderLine");
inline const QString GuideLine = QStringLiteral("GuideLine");
inline const QString LineColor = QStringLiteral("LineColor");
inline const QString PrintBack = QStringLiteral("PrintBack");
inline const QString PrintFront = QStringLiteral("PrintFront");
inline const QString FormHeight = QStringLiteral("FormHeight");
} // namespace keys

inline const QString HomePageAddress = QStringLiteral("http://www.quillane.example/");

// Window heights in twips with the search strip closed and open.
inline constexpr int ClosedFormHeight = 3975;
inline constexpr int OpenFormHeight = 4815;

// How a setting's stored text is read.
enum class Reading {
    Text,          // as it stands ("HomePage")
    Cover,         // "Front", "Back", anything else both ("Border")
    OnUnlessFalse, // a yes/no that defaults to on: only "False" is off
    OnIfTrue,      // a yes/no that defaults to off: only "True" is on
    Colour,        // parseColorValue
    Height,        // effectiveFormHeight
};

struct SettingDefault {
    QString key;
    QString value;
    Reading reading;
};

// The eight settings with their defaults and how each is read, in the order
// they are seeded.
const std::array<SettingDefault, 8> &settingDefaults();

// Quillane's own settings: every call goes to the store at the moment it is
// made, so a value written by one window is what the next reader sees.
class Settings {
public:
    explicit Settings(SettingsStore &store) : store_(store) {}

    QString get(const QString &key) const;
    // A failure when the value could not be stored; the store then still
    // holds the value it held before.
    MaybeFailure save(const QString &key, const QString &value);

    // Checks that the store can be used, then writes the default of every key
    // that reads empty, in seeding order, and leaves every stored value alone.
    // Returns the first failure: a store that cannot be used keeps the
    // defaults in memory for this run, and a failed write ends the seeding.
    MaybeFailure seedMissing();

    // A yes/no setting, read by its own rule: "PrintFront" and "PrintBack"
    // are on unless "False", "BorderLine" and "GuideLine" on only when "True".
    bool isOn(const QString &key) const;
    MaybeFailure saveBool(const QString &key, bool on);

private:
    SettingsStore &store_;
};

// "FormHeight" as the main window uses it: whole decimal numbers below the
// closed height, and anything that is not a whole decimal number, count as
// the closed height. Larger numbers stand (the caller limits them to the screen).
int effectiveFormHeight(const QString &stored);

// A colour value read from text: optional blanks around an optional sign and
// decimal digits, within the signed 32-bit range.
std::optional<qint32> parseColorValue(const QString &text);

} // namespace quillane
