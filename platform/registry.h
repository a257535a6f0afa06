#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A per-user hierarchical key/value store in place of the system registry:
// keys by backslash path under a root, values of the registry's types, names
// of keys and values compared without regard to case. It lives in one file
// that is replaced atomically on every write and re-read whenever another
// process has changed it (the monitor reads and writes the same file). The
// file, like every file the program writes, is readable by the user only.
//
// A file that cannot be read (empty, cut short, not the store's JSON, not
// readable at all) is never written over. A process that has installed an
// unreadable-file handler (the program) renames it to a name of its own
// beside it, goes on with the values it had already read (none at the first
// read, as for a missing file; those it holds are written again at once) and
// calls the handler. A process without a handler (the monitor) goes on with
// what it holds and leaves the file, and every write, to the program.
//
// The program and the monitor write the file at once: every write takes a
// lock file beside it, reads the file again and replaces it before letting
// go, so neither writer undoes the other's values.
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

    struct SetAside
    {
        QString file; // the store's file
        QString copy; // the unreadable file under its new name, bytes unchanged
        bool keptValues = false; // the store goes on with values read earlier (written again at once)
    };
    using UnreadableHandler = std::function<void(const SetAside &)>;
    // Called after the store has set an unreadable file aside, the store
    // whole again; an empty function ends the setting aside.
    void setUnreadableHandler(UnreadableHandler handler);
    // The name an unreadable file is set aside under at `when`: the file's
    // name, ".unreadable-" and the local time to the second ("-2", "-3", ...
    // after it when that name is taken).
    static QString setAsideName(const QString &file, const QDateTime &when);
    // The same with another word than "unreadable" for why the file was kept.
    static QString asideName(const QString &file, const QString &why, const QDateTime &when);
    // Copies the file as it stands now beside it, under asideName(file, why,
    // now), readable by the user only. Returns the copy's name; an empty
    // name when there is no file to keep; nothing when it could not be
    // copied.
    std::optional<QString> keepCopy(const QString &why);
    // The lock file every writer holds while it re-reads and replaces the file.
    static QString lockPath();
    // Removes temporary files a writer ended half-way left beside the file
    // (under the lock, so a live writer's file is never taken).
    void removeLeftovers();
    // The number of keys in `bytes` when they are the store's file in every
    // part, as the store reads it; nothing otherwise.
    static std::optional<qsizetype> keyCount(const QByteArray &bytes);

private:
    Store() = default;
    struct Key
    {
        QString name; // the path as first written
        QHash<QString, std::pair<QString, Value>> values; // lower-case name -> (name, value)
    };
    using Keys = QHash<QString, Key>; // "root|lower-case path" -> key

    class Access;
    void refresh();
    bool save();
    void reportSetAside();
    static std::optional<Keys> read(const QString &file);
    static std::optional<Keys> parse(const QByteArray &bytes);
    void setAside(const QString &file);
    static QString id(Root root, const QString &path);
    void mirrorAutostart(Root root, const QString &path, const QString &name, const Value &value);

    Keys m_keys;
    QString m_loadedFrom;
    QDateTime m_stamp;
    qint64 m_size = -1;
    bool m_held = false;    // the file on disk is unreadable and was not set aside
    bool m_recheck = false; // read the file again even if it looks unchanged
    UnreadableHandler m_onUnreadable;
    std::optional<SetAside> m_pendingReport; // told once the lock is let go
};

} // namespace Registry
