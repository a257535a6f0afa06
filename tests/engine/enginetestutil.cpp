#include "tests/engine/enginetestutil.h"

#include "tests/support/testfiles.h"

#include "engine/trackedauction.h"
#include "foundation/basgeneral.h"
#include "platform/listview.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"
#include "platform/ticktimer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace EngineTest {

void PrepareForm(frmMainEngine &form)
{
    form.tmrLoadProcess->setEnabled(false);
    form.lvwAuctions->ClearColumns();
    for (const auto &c : TrackedAuction::kColumns)
        form.lvwAuctions->AddColumn(c.key, c.caption, -1, c.rightAligned ? Qt::AlignRight : Qt::AlignLeft);
    if (form.StatusBar->PanelCount() == 0)
        for (const char *key : {"IEStatus", "Status", "Feedback"})
            form.StatusBar->AddPanel(QString::fromLatin1(key));
    if (!form.Toolbar->ButtonByKey(QStringLiteral("Filter")))
        form.Toolbar->AddButton(QStringLiteral("Filter"), Toolbar::Check);
}

ListItem *AddRow(const QString &itemNumber, std::initializer_list<std::pair<const char *, QString>> fields,
                 const QString &tag)
{
    ListView *list = EngineForm().lvwAuctions;
    ListItem *row = list->Add(itemNumber);
    for (const auto &[key, value] : fields)
        list->setField(row, QString::fromLatin1(key), value);
    row->setTag(tag);
    return row;
}

QString DataPath(const QString &name)
{
    return basGeneral::DataFolder() + name;
}

void WriteDataFile(const QString &name, const QByteArray &bytes)
{
    writeBytes(DataPath(name), bytes);
}

QByteArray ReadDataFile(const QString &name)
{
    return fileBytes(DataPath(name));
}

void RemoveDataFile(const QString &name)
{
    QFile::remove(DataPath(name));
}

QByteArray Line(const QStringList &fields)
{
    QByteArray line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        line += '"' + fields[i].toLatin1() + '"';
    }
    return line + "\r\n";
}

void RemoveListFiles()
{
    QDir folder(basGeneral::DataFolder());
    for (const QString &name : folder.entryList({QStringLiteral("data*")}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
        QFileInfo(folder.filePath(name)).isDir() ? void(QDir(folder.filePath(name)).removeRecursively())
                                                 : void(folder.remove(name));
}

QStringList Backups(const QString &stem)
{
    return QDir(basGeneral::DataFolder()).entryList({stem + QStringLiteral("-backup-*")}, QDir::Files, QDir::Name);
}

} // namespace EngineTest
