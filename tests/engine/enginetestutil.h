#pragma once

#include "engine/mainformengine.h"
#include "tests/support/frozenfolder.h"
#include "tests/support/testtext.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <initializer_list>
#include <ostream>
#include <utility>

class ListItem;

namespace EngineTest {

// The engine window as the engine tests see it: the refresh and the HTML
// list are not there, so their calls are only recorded.
class TestEngineForm final : public frmMainEngine
{
public:
    struct RefreshCall
    {
        QString onlyItemNumber;
        bool skipItems;
        bool skipHTMLSync;
    };
    QList<RefreshCall> refreshCalls;
    int rebuilds = 0;

    void RefreshAuctions(const QString &OnlyItemNumber, bool SkipItems, bool SkipHTMLSync) override
    {
        refreshCalls.append({OnlyItemNumber, SkipItems, SkipHTMLSync});
    }
    void RebuildHTMLList() override { ++rebuilds; }
};

// A new engine window of class Form with what the main window's preparation
// would give it: the list's 18 keyed columns in creation order, the status
// panels and the toolbar's "Filter" check button.
void PrepareForm(frmMainEngine &form);
template <class Form> Form &NewForm()
{
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    frmMainShell::setFactory([] { return new Form; });
    auto &form = static_cast<Form &>(frmMainEngine::instance());
    PrepareForm(form);
    return form;
}
inline TestEngineForm &FreshForm() { return NewForm<TestEngineForm>(); }

// Adds a row: item number, fields by column key, Tag.
ListItem *AddRow(const QString &itemNumber, std::initializer_list<std::pair<const char *, QString>> fields,
                 const QString &tag = {});

// Files of the data folder, as bytes.
QString DataPath(const QString &name);
void WriteDataFile(const QString &name, const QByteArray &bytes);
QByteArray ReadDataFile(const QString &name);
void RemoveDataFile(const QString &name);
// Removes every list file and backup of the data folder.
void RemoveListFiles();

// The dated backups of a damaged file of the data folder ("data6",
// "favorites"): "data6-backup-<date>-<time>[-n].dat".
QStringList Backups(const QString &stem);

using ::FrozenFolder;

// The 17 fields of the current layout written as one line of the file.
QByteArray Line(const QStringList &fields);

} // namespace EngineTest
