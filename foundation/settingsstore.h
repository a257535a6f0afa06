#pragma once

#include <QString>
#include <QVariant>

// The program's settings: text values in the section "Settings" of the
// per-user store, keys compared without regard to case. Every read names a
// default.
QString GetSetting(const QString &key, const QString &defaultValue = {});
QString GetSetting(const QString &key, int defaultValue);
void SaveSetting(const QString &key, const QString &value);
void DeleteSetting(const QString &key);

// Where the section lives in the store.
inline const QString kSettingsParentKey = QStringLiteral("Software\\VB and VBA Program Settings\\Tallowmere");
inline const QString kSettingsKey = kSettingsParentKey + QStringLiteral("\\Settings");
