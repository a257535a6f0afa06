#include "platform/registry.h"

#include "platform/ansi.h"
#include "platform/folders.h"
#include "platform/leftovers.h"
#include "platform/privatefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>

namespace Registry {

namespace {

QString normalisePath(const QString &path)
{
    QString p = path;
    p.replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (p.startsWith(QLatin1Char('\\')))
        p.remove(0, 1);
    while (p.endsWith(QLatin1Char('\\')))
        p.chop(1);
    return p;
}

QString rootName(Root root)
{
    return root == Root::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE") : QStringLiteral("HKEY_CURRENT_USER");
}

const QString kRunKey = QStringLiteral("software\\microsoft\\windows\\currentversion\\run");

// How long a writer waits for another one; the lock is held for one read
// and one write, so this is reached only by a writer that hangs. A lock left
// by a process that has ended is taken over at once; one it ended before it
// could write its process id into is taken over once it is this old.
constexpr int kLockWaitMs = 10000;
constexpr int kStaleLockMs = 3000;
// The settings of many accounts take a few kilobytes. A file far beyond any
// real size is not read into memory (a parse takes many times its size): it
// counts as unreadable.
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

} // namespace

// One public call on the store: a write holds the lock beside the file and
// reads the file again under it; the unreadable-file handler (which may ask
// the user something) runs only after the lock is let go.
class Store::Access final
{
public:
    Access(Store &store, bool write) : m_store(store)
    {
        if (write) {
            QDir().mkpath(QFileInfo(filePath()).absolutePath());
            m_lock.emplace(lockPath());
            m_lock->setStaleLockTime(kStaleLockMs);
            // Without the lock the write goes ahead all the same: losing this
            // value for sure is worse than the small chance of a clash.
            m_lock->tryLock(kLockWaitMs);
            m_store.m_recheck = true;
        }
        m_store.refresh();
    }
    ~Access()
    {
        m_lock.reset();
        m_store.reportSetAside();
    }
    Q_DISABLE_COPY_MOVE(Access)

private:
    Store &m_store;
    std::optional<QLockFile> m_lock;
};

Store &Store::instance()
{
    static Store store;
    return store;
}

QString Store::filePath()
{
    return Folders::roamingAppData() + QStringLiteral("/tallowmere-registry.json");
}

QString Store::lockPath()
{
    return filePath() + QStringLiteral(".lock");
}

void Store::removeLeftovers()
{
    Access access(*this, true);
    const QFileInfo file(filePath());
    Leftovers::RemoveSaveTemporaries(file.absolutePath(), file.fileName());
}

QString Store::id(Root root, const QString &path)
{
    return rootName(root) + QLatin1Char('|') + normalisePath(path).toLower();
}

void Store::reset()
{
    m_held = false;
    m_recheck = false;
    m_keys.clear();
    m_loadedFrom.clear();
    m_stamp = {};
    m_size = -1;
}

void Store::setUnreadableHandler(UnreadableHandler handler)
{
    m_onUnreadable = std::move(handler);
    if (m_onUnreadable && m_held)
        m_recheck = true; // the file left alone so far is set aside at the next read
}

QString Store::setAsideName(const QString &file, const QDateTime &when)
{
    return asideName(file, QStringLiteral("unreadable"), when);
}

QString Store::asideName(const QString &file, const QString &why, const QDateTime &when)
{
    const QString base = file + QLatin1Char('.') + why + QLatin1Char('-') + when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = base + QLatin1Char('-') + QString::number(n);
    return name;
}

// The file's keys, or nothing when the file cannot be read or is not the
// store's JSON in every part (a part left out would be lost at the next
// write).
std::optional<Store::Keys> Store::read(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxFileBytes)
        return std::nullopt;
    return parse(f.readAll());
}

std::optional<qsizetype> Store::keyCount(const QByteArray &bytes)
{
    if (const auto keys = parse(bytes))
        return keys->size();
    return std::nullopt;
}

std::optional<Store::Keys> Store::parse(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject())
        return std::nullopt;
    const QJsonObject doc = json.object();
    Keys keys;
    for (auto rootIt = doc.begin(); rootIt != doc.end(); ++rootIt) {
        Root root;
        if (rootIt.key() == rootName(Root::LocalMachine))
            root = Root::LocalMachine;
        else if (rootIt.key() == rootName(Root::CurrentUser))
            root = Root::CurrentUser;
        else
            return std::nullopt;
        if (!rootIt.value().isObject())
            return std::nullopt;
        const QJsonObject rootKeys = rootIt.value().toObject();
        for (auto keyIt = rootKeys.begin(); keyIt != rootKeys.end(); ++keyIt) {
            if (!keyIt.value().isObject())
                return std::nullopt;
            Key key;
            key.name = keyIt.key();
            const QJsonObject values = keyIt.value().toObject();
            for (auto v = values.begin(); v != values.end(); ++v) {
                if (!v.value().isObject())
                    return std::nullopt;
                const QJsonObject o = v.value().toObject();
                const QJsonValue type = o.value(QLatin1String("type"));
                const QJsonValue data = o.value(QLatin1String("data"));
                Value value;
                value.type = type.toInt(-1);
                if (!type.isDouble() || value.type < 0)
                    return std::nullopt;
                if (value.type == DWord) {
                    if (!data.isDouble())
                        return std::nullopt;
                    value.dword = static_cast<qint32>(data.toInteger());
                } else if (!data.isString()) {
                    return std::nullopt;
                } else if (value.type == String) {
                    value.data = Ansi::encode(data.toString());
                } else {
                    value.data = QByteArray::fromBase64(data.toString().toLatin1());
                }
                key.values.insert(v.key().toLower(), {v.key(), value});
            }
            keys.insert(id(root, key.name), key);
        }
    }
    return keys;
}

void Store::refresh()
{
    const QString file = filePath();
    const QFileInfo info(file);
    const QDateTime stamp = info.exists() ? info.lastModified() : QDateTime();
    const qint64 size = info.exists() ? info.size() : -1;
    if (!m_recheck && file == m_loadedFrom && stamp == m_stamp && size == m_size)
        return;
    const bool sameFile = file == m_loadedFrom;
    m_recheck = false;
    m_held = false;
    m_loadedFrom = file;
    m_stamp = stamp;
    m_size = size;
    if (!info.exists()) {
        m_keys.clear();
        return;
    }
    if (auto keys = read(file)) {
        m_keys = std::move(*keys);
        return;
    }
    // Unreadable. What was read from this file before is still right as far
    // as this process knows; nothing of another file is.
    if (!sameFile)
        m_keys.clear();
    setAside(file);
}

void Store::setAside(const QString &file)
{
    if (!m_onUnreadable) {
        m_held = true;
        return;
    }
    const QString copy = setAsideName(file, QDateTime::currentDateTime());
    if (!QFile::rename(file, copy)) {
        if (QFileInfo::exists(file))
            m_held = true; // kept in place: never written over
        else
            m_recheck = true; // gone meanwhile: read again
        return;
    }
    PrivateFile::narrow(copy);
    m_stamp = {};
    m_size = -1; // as for a missing file
    const bool keptValues = !m_keys.isEmpty();
    if (keptValues)
        save();
    m_pendingReport = SetAside{file, copy, keptValues};
}

std::optional<QString> Store::keepCopy(const QString &why)
{
    Access access(*this, true); // no writer changes the file while it is copied
    const QString file = filePath();
    if (!QFileInfo::exists(file))
        return QString();
    const QString copy = asideName(file, why, QDateTime::currentDateTime());
    if (!QFile::copy(file, copy))
        return std::nullopt;
    PrivateFile::narrow(copy);
    return copy;
}

void Store::reportSetAside()
{
    if (!m_pendingReport)
        return;
    const SetAside report = *m_pendingReport;
    m_pendingReport.reset();
    if (m_onUnreadable)
        m_onUnreadable(report);
}

bool Store::save()
{
    if (m_held)
        return false;
    QJsonObject roots;
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it) {
        const QString rootKey = it.key().section(QLatin1Char('|'), 0, 0);
        QJsonObject values;
        for (const auto &[name, value] : it.value().values) {
            QJsonObject o;
            o.insert(QLatin1String("type"), value.type);
            if (value.type == DWord)
                o.insert(QLatin1String("data"), value.dword);
            else if (value.type == String)
                o.insert(QLatin1String("data"), Ansi::decode(value.data));
            else
                o.insert(QLatin1String("data"), QString::fromLatin1(value.data.toBase64()));
            values.insert(name, o);
        }
        QJsonObject keys = roots.value(rootKey).toObject();
        keys.insert(it.value().name, values);
        roots.insert(rootKey, keys);
    }
    const QString file = filePath();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!PrivateFile::open(out))
        return false;
    out.write(QJsonDocument(roots).toJson(QJsonDocument::Indented));
    if (!out.commit())
        return false;
    const QFileInfo info(file);
    m_loadedFrom = file;
    m_stamp = info.lastModified();
    m_size = info.size();
    return true;
}

bool Store::keyExists(Root root, const QString &path)
{
    Access access(*this, false);
    const QString wanted = id(root, path);
    if (normalisePath(path).isEmpty() || m_keys.contains(wanted))
        return true;
    const QString prefix = wanted + QLatin1Char('\\');
    for (auto it = m_keys.cbegin(); it != m_keys.cend(); ++it)
        if (it.key().startsWith(prefix))
            return true;
    return false;
}

void Store::createKey(Root root, const QString &path)
{
    Access access(*this, true);
    const QString p = normalisePath(path);
    if (p.isEmpty() || m_keys.contains(id(root, p)))
        return;
    m_keys.insert(id(root, p), Key{p, {}});
    save();
}

std::optional<Value> Store::value(Root root, const QString &path, const QString &name)
{
    Access access(*this, false);
    const auto key = m_keys.constFind(id(root, path));
    if (key == m_keys.cend())
        return std::nullopt;
    const auto v = key->values.constFind(name.toLower());
    if (v == key->values.cend())
        return std::nullopt;
    return v->second;
}

bool Store::setValue(Root root, const QString &path, const QString &name, const Value &value)
{
    Access access(*this, true);
    const QString p = normalisePath(path);
    auto key = m_keys.find(id(root, p));
    if (key == m_keys.end())
        key = m_keys.insert(id(root, p), Key{p, {}});
    auto existing = key->values.find(name.toLower());
    if (existing != key->values.end())
        existing->second = value; // keep the name's first spelling
    else
        key->values.insert(name.toLower(), {name, value});
    const bool ok = save();
    mirrorAutostart(root, p, name, value);
    return ok;
}

bool Store::deleteValue(Root root, const QString &path, const QString &name)
{
    Access access(*this, true);
    auto key = m_keys.find(id(root, path));
    if (key == m_keys.end() || key->values.remove(name.toLower()) == 0)
        return false;
    return save();
}

bool Store::deleteKey(Root root, const QString &path)
{
    Access access(*this, true);
    if (normalisePath(path).isEmpty())
        return false;
    const QString wanted = id(root, path);
    const QString prefix = wanted + QLatin1Char('\\');
    bool found = false;
    for (auto it = m_keys.begin(); it != m_keys.end();) {
        if (it.key() == wanted || it.key().startsWith(prefix)) {
            it = m_keys.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found && save();
}

QStringList Store::valueNames(Root root, const QString &path)
{
    Access access(*this, false);
    QStringList names;
    const auto key = m_keys.constFind(id(root, path));
    if (key != m_keys.cend())
        for (const auto &[name, value] : key->values)
            names << name;
    return names;
}

// The start-with-the-system value of the Run key becomes a desktop entry in
// the user's autostart folder; an empty value removes the entry.
void Store::mirrorAutostart(Root, const QString &path, const QString &name, const Value &value)
{
    if (path.toLower() != kRunKey)
        return;
    QString command;
    if (value.type == String)
        command = Ansi::decode(value.data).section(QChar(0), 0, 0).trimmed();
    const QString file = Folders::autostart() + QLatin1Char('/') + name.toLower() + QStringLiteral(".desktop");
    if (command.isEmpty()) {
        QFile::remove(file);
        return;
    }
    QDir().mkpath(Folders::autostart());
    QSaveFile out(file);
    if (!PrivateFile::open(out))
        return;
    QString quoted = command;
    if (quoted.contains(QLatin1Char(' ')))
        quoted = QLatin1Char('"') + quoted + QLatin1Char('"');
    out.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nX-GNOME-Autostart-enabled=true\n")
                  .arg(name, quoted).toUtf8());
    out.commit();
}

} // namespace Registry
