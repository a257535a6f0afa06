#include "items/frmautosearch.h"

#include "foundation/pageaccess.h"
#include "items/frmaddautosearch.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/ticktimer.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmAutoSearch::frmAutoSearch()
{
    setObjectName(QStringLiteral("frmAutoSearch"));
    setWindowTitle(QStringLiteral("Auto Search"));
    setModal(true);
    lvwSearches = new ListView(this);
    lvwSearches->setCheckBoxes(true);
    Label1 = new QLabel(QStringLiteral("Run one search every"), this);
    txtSearchInterval = new QLineEdit(QStringLiteral("5"), this);
    txtSearchInterval->setMaximumWidth(50);
    Label2 = new QLabel(QStringLiteral("minute(s)"), this);
    cmdNewSearch = new QPushButton(QStringLiteral("&New Search"), this);
    tmrTimer = new TickTimer(60000, true, this);
    Inet = new ::Inet(this);

    auto *layout = new QGridLayout(this);
    layout->addWidget(lvwSearches, 0, 0, 1, 4);
    layout->addWidget(Label1, 1, 0);
    layout->addWidget(txtSearchInterval, 1, 1);
    layout->addWidget(Label2, 1, 2);
    layout->addWidget(cmdNewSearch, 1, 3);
    layout->setColumnStretch(2, 1);
    resize(400, 300);

    connect(cmdNewSearch, &QPushButton::clicked, this, &frmAutoSearch::cmdNewSearch_Click);
    connect(tmrTimer, &TickTimer::Timer, this, &frmAutoSearch::tmrTimer_Timer);
}

frmAutoSearch::~frmAutoSearch() = default;

void frmAutoSearch::Form_Load()
{
    m_ticks = QStringLiteral("0");
    m_index = 0;
    lvwSearches->AddColumn(QStringLiteral("name"), QStringLiteral("Search Name"), 1500);
    lvwSearches->AddColumn(QStringLiteral("notifications"), QStringLiteral("Notifications"), 1750);
    lvwSearches->AddColumn(QStringLiteral("bin"), QStringLiteral("Buy It Now"), 2250);
}

void frmAutoSearch::ShowModal()
{
    instance().exec();
    // Closing the window ends its searches; the next opening starts afresh.
    unloadInstance();
}

void frmAutoSearch::cmdNewSearch_Click()
{
    frmAddAutoSearch::ShowModal();
}

void frmAutoSearch::tmrTimer_Timer()
{
    m_ticks = QString::number(m_ticks.toInt() + 1);
    bool whole = false;
    const int interval = txtSearchInterval->text().trimmed().toInt(&whole);
    // An interval that is not a whole number runs no search.
    if (!whole || m_ticks.toInt() < interval)
        return;
    // The count starts again, so the searches keep to one every N minutes.
    m_ticks = QStringLiteral("0");
    const int rows = lvwSearches->Count();
    if (rows == 0)
        return;
    if (m_index >= rows)
        m_index = 0;
    const QString address = lvwSearches->Item(m_index + 1)->Tag();
    m_index = (m_index + 1) % rows;
    basGeneral::GetURL(address, *Inet);
}
