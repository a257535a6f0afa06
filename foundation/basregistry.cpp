#include "foundation/basregistry.h"

#include "platform/ansi.h"
#include "platform/registry.h"

#include <cmath>

namespace basRegistry {

qint32 LastRegResult = 0;

namespace {

Registry::Root rootOf(quint32 hKey)
{
    return hKey == HKEY_LOCAL_MACHINE ? Registry::Root::LocalMachine : Registry::Root::CurrentUser;
}

bool knownRoot(quint32 hKey)
{
    return hKey == HKEY_CURRENT_USER || hKey == HKEY_LOCAL_MACHINE;
}

// The conversion rules of a numeric test: whole and decimal numbers, with
// surrounding blanks, count; the empty text and other text do not.
std::optional<double> numericValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray) {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return std::nullopt;
        bool ok = false;
        const double d = text.toDouble(&ok);
        return ok ? std::optional<double>(d) : std::nullopt;
    }
    bool ok = false;
    const double d = value.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

} // namespace

bool KeyExists(quint32 hKey, const QString &subKey)
{
    const bool exists = knownRoot(hKey) && Registry::Store::instance().keyExists(rootOf(hKey), subKey);
    LastRegResult = ERROR_SUCCESS; // the close's result
    return exists;
}

QVariant GetValue(quint32 hKey, const QString &subKey, const QString &valueName)
{
    if (!KeyExists(hKey, subKey)) {
        LastRegResult = ERROR_FILE_NOT_FOUND;
        return QString();
    }
    const auto value = Registry::Store::instance().value(rootOf(hKey), subKey, valueName);
    LastRegResult = ERROR_SUCCESS;
    if (!value)
        return QString();
    if (value->type == Registry::String) {
        const QString text = Ansi::decode(value->data);
        const int nul = text.indexOf(QChar(0));
        return nul >= 0 ? text.left(nul) : text;
    }
    if (value->type == Registry::DWord)
        return QVariant::fromValue<qint32>(value->dword);
    return QString();
}

void SetValue(quint32 hKey, const QString &subKey, const QString &valueName, const QVariant &value)
{
    if (!knownRoot(hKey)) {
        LastRegResult = ERROR_ACCESS_DENIED;
        return;
    }
    Registry::Value v;
    if (const auto number = numericValue(value)) {
        v.type = Registry::DWord;
        v.dword = static_cast<qint32>(std::nearbyint(*number)); // banker's rounding under the default mode
    } else {
        v.type = Registry::String;
        v.data = Ansi::encode(value.toString().trimmed());
        v.data.append('\0');
    }
    const bool ok = Registry::Store::instance().setValue(rootOf(hKey), subKey, valueName, v);
    LastRegResult = ok ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

bool DeleteKey(quint32 hKey, const QString &subKey, const QString &keyName)
{
    if (!KeyExists(hKey, subKey))
        return false;
    const QString child = subKey + QLatin1Char('\\') + keyName;
    const bool ok = Registry::Store::instance().deleteKey(rootOf(hKey), child);
    LastRegResult = ok ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    return ok;
}

} // namespace basRegistry
