#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

// A per-user hierarchical key/value store in place of the system registry:
// keys by backslash path under a root, values of the registry's types, names
// of keys and values compared without regard to case. It lives in one file
// that is replaced atomically on every write and re-read whenever another
// process has changed it (the monitor reads and writes the same file).
namespace Registry {

enum class Root : quint32 { CurrentUser = 0x80000001u, LocalMachine = 0x80000002u };

enum Type : int { None = 0, String = 1, Binary = 3, DWord = 4, MultiString = 7 };

struct Value
{
    int type = None;
    QByteArray data; // String: the stored bytes (code page text, NUL included when written so)
    qint32 dword = 0;
};

class Store final
{
public:
    static Store &instance();
    // The file behind the store (for the monitor and for tests).
    static QString filePath();

    bool keyExists(Root root, const QString &path);
    void createKey(Root root, const QString &path);
    std::optional<Value> value(Root root, const QString &path, const QString &name);
    // Returns false when the file could not be written.
    bool setValue(Root root, const QString &path, const QString &name, const Value &value);
    bool deleteValue(Root root, const QString &path, const QString &name);
    // Removes the key and everything below it; false when it does not exist.
    bool deleteKey(Root root, const QString &path);
    QStringList valueNames(Root root, const QString &path);

    // Forget the cached copy (tests that swap the home folder).
    void reset();

private:
    Store() = default;
    struct Key
    {
        QString name; // the path as first written
        QHash<QString, std::pair<QString, Value>> values; // lower-case name -> (name, value)
    };
    using Keys = QHash<QString, Key>; // "root|lower-case path" -> key

    void refresh();
    bool save();
    static QString id(Root root, const QString &path);
    void mirrorAutostart(Root root, const QString &path, const QString &name, const Value &value);

    Keys m_keys;
    QString m_loadedFrom;
    QDateTime m_stamp;
    qint64 m_size = -1;
};

} // namespace Registry
