#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// The program's settings: text values in the section "Settings" of the
// per-user store, keys compared without regard to case. Every read names a
// default.
QString GetSetting(const QString &key, const QString &defaultValue = {});
QString GetSetting(const QString &key, int defaultValue);
void SaveSetting(const QString &key, const QString &value);
void DeleteSetting(const QString &key);

// Before the settings are reset: a copy of the settings file as it stands,
// accounts and passwords included, beside it. The copy's name; an empty one
// when there are no settings to keep; nothing when no copy could be made
// (then nothing may be reset).
std::optional<QString> KeepSettingsBeforeReset();
// The text that tells the user where that copy is.
QString SettingsKeptMessage(const QString &copy);

// Where the section lives in the store.
inline const QString kSettingsParentKey = QStringLiteral("Software\\VB and VBA Program Settings\\Tallowmere");
inline const QString kSettingsKey = kSettingsParentKey + QStringLiteral("\\Settings");
