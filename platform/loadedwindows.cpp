#include "platform/defaultinstance.h"

#include <QList>

namespace {

struct LoadedWindow
{
    QPointer<QWidget> form;
    void (*unload)();
};

QList<LoadedWindow> &loaded()
{
    static QList<LoadedWindow> windows;
    return windows;
}

} // namespace

void LoadedWindows::Add(QWidget *form, void (*unload)())
{
    // Windows unloaded since the last call have left null pointers behind.
    loaded().removeIf([](const LoadedWindow &w) { return w.form.isNull(); });
    loaded().append({form, unload});
}

void LoadedWindows::UnloadAllBut(const QWidget *except)
{
    // An unload may load or unload other windows: work on a copy and skip
    // the ones already gone.
    const QList<LoadedWindow> windows = loaded();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if (!it->form.isNull() && it->form.data() != except)
            it->unload();
    }
    loaded().removeIf([](const LoadedWindow &w) { return w.form.isNull(); });
}
