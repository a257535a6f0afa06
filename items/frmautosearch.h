#pragma once

#include "platform/defaultinstance.h"

#include <QDialog>
#include <QString>

class Inet;
class ListView;
class QLabel;
class QLineEdit;
class QPushButton;
class TickTimer;

// Saved eBay searches, held while the window is open: every N minutes (the
// interval box) the next search's address is fetched, going round the rows.
// The list is not stored; a fetched page is not examined.
class frmAutoSearch final : public QDialog, public DefaultInstance<frmAutoSearch>
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAutoSearch)

public:
    frmAutoSearch();
    ~frmAutoSearch() override;
    void Form_Load();

    // Opens the window modally (the Items menu's "Auto Search").
    static void ShowModal();

    ListView *lvwSearches = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *txtSearchInterval = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *cmdNewSearch = nullptr;
    TickTimer *tmrTimer = nullptr; // one tick a minute
    ::Inet *Inet = nullptr;

    void cmdNewSearch_Click();
    void tmrTimer_Timer();

    // The minutes counted since the last search and the row searched next
    // (0-based).
    int Ticks() const { return m_ticks.toInt(); }
    int NextIndex() const { return m_index; }

private:
    QString m_ticks;
    int m_index = 0;
};
