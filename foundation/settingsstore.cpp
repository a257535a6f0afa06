#include "foundation/settingsstore.h"

#include "platform/ansi.h"
#include "platform/registry.h"

using Registry::Root;
using Registry::Store;

QString GetSetting(const QString &key, const QString &defaultValue)
{
    const auto value = Store::instance().value(Root::CurrentUser, kSettingsKey, key);
    if (!value)
        return defaultValue;
    if (value->type == Registry::DWord)
        return QString::number(value->dword);
    QString text = Ansi::decode(value->data);
    const int nul = text.indexOf(QChar(0));
    return nul >= 0 ? text.left(nul) : text;
}

QString GetSetting(const QString &key, int defaultValue)
{
    return GetSetting(key, QString::number(defaultValue));
}

void SaveSetting(const QString &key, const QString &value)
{
    Registry::Value v;
    v.type = Registry::String;
    v.data = Ansi::encode(value);
    Store::instance().setValue(Root::CurrentUser, kSettingsKey, key, v);
}

void DeleteSetting(const QString &key)
{
    Store::instance().deleteValue(Root::CurrentUser, kSettingsKey, key);
}

std::optional<QString> KeepSettingsBeforeReset()
{
    return Store::instance().keepCopy(QStringLiteral("before-reset"));
}

QString SettingsKeptMessage(const QString &copy)
{
    return QStringLiteral("The settings as they were, your accounts included, are kept in:\r\n") + copy;
}
