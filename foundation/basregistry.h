#pragma once

#include <QString>
#include <QVariant>

// Raw access to the per-user store for what the settings operations do not
// reach: removing the whole "Settings" section, the start-with-the-system
// value and the Internet-options values. Nothing here raises an error; the
// result code of the last store call is kept in LastRegResult (0 = success).
namespace basRegistry {

inline constexpr quint32 HKEY_CURRENT_USER = 0x80000001u;
inline constexpr quint32 HKEY_LOCAL_MACHINE = 0x80000002u;

inline constexpr qint32 ERROR_SUCCESS = 0;
inline constexpr qint32 ERROR_FILE_NOT_FOUND = 2;
inline constexpr qint32 ERROR_ACCESS_DENIED = 5;

extern qint32 LastRegResult;

bool KeyExists(quint32 hKey, const QString &subKey);
// A text for a string value (up to its first NUL), a qint32 for a DWORD
// value, "" otherwise (missing key or value, other types).
QVariant GetValue(quint32 hKey, const QString &subKey, const QString &valueName);
// A value that converts to a number is written as a DWORD (rounded half to
// even), anything else as a string of the trimmed text plus a NUL.
void SetValue(quint32 hKey, const QString &subKey, const QString &valueName, const QVariant &value);
// Deletes the child key keyName of subKey; False when subKey does not exist
// or the delete fails.
bool DeleteKey(quint32 hKey, const QString &subKey, const QString &keyName);

} // namespace basRegistry
