// The settings store's file as another process or a damaged disk leaves it.
#include "fuzz/fuzzinput.h"

#include "platform/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using Registry::Root;
    Registry::Store &store = Registry::Store::instance();
    const QString path = Registry::Store::filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(FuzzBytes(data, size));
    }
    store.reset();
    for (const Root root : {Root::CurrentUser, Root::LocalMachine}) {
        const QString key = QStringLiteral("a");
        store.keyExists(root, key);
        for (const QString &name : store.valueNames(root, key))
            store.value(root, key, name);
        store.value(root, key, QStringLiteral("Time Zone"));
    }
    return 0;
}
