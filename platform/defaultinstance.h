#pragma once

#include <QPointer>
#include <QWidget>

namespace LoadedWindows {
// Every default instance enters itself here when it is made, so that the
// shut-down can unload each window still loaded without knowing its class.
void Add(QWidget *form, void (*unload)());
// Unloads every loaded default instance but `except`, newest first.
void UnloadAllBut(const QWidget *except);
} // namespace LoadedWindows

// The default instance of a window class: created and loaded (its Form_Load
// run) on first use, alive until unloaded, created afresh on the next use
// after that, so a window opened again starts from its stored settings.
//
//     class frmSettings final : public QDialog, public DefaultInstance<frmSettings> { ... };
//     frmSettings::instance().txtHomepage->text();
template <class T>
class DefaultInstance
{
public:
    static T &instance()
    {
        if (!s_instance) {
            T *form = new T;
            s_instance = form;
            LoadedWindows::Add(form, &DefaultInstance<T>::unloadInstance);
            if constexpr (requires(T &t) { t.Form_Load(); })
                form->Form_Load();
        }
        return *s_instance;
    }

    static bool isLoaded() { return !s_instance.isNull(); }

    // Unloads the default instance: runs Form_Unload when the class has one,
    // hides the window and deletes it once control is back in the event loop
    // (it may be unloading itself from one of its own handlers).
    static void unloadInstance()
    {
        T *form = s_instance.data();
        if (!form)
            return;
        s_instance.clear();
        if constexpr (requires(T &t) { t.Form_Unload(); })
            form->Form_Unload();
        form->hide();
        form->deleteLater();
    }

protected:
    // For classes whose instance is made by a factory (a derived class).
    static void adoptInstance(T *form)
    {
        s_instance = form;
        LoadedWindows::Add(form, &DefaultInstance<T>::unloadInstance);
    }

private:
    inline static QPointer<T> s_instance;
};
