#include "sellertools/frmrelistedit.h"

#include "foundation/basgeneral.h"
#include "foundation/ebayuser.h"
#include "foundation/frmsettings.h"
#include "foundation/hostroles.h"
#include "foundation/itemfields.h"
#include "foundation/pageaccess.h"
#include "platform/inet.h"
#include "platform/listview.h"
#include "platform/msgbox.h"
#include "sellertools/frmrelistitems.h"
#include "sellertools/relistfile.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {

// A typed number as a 16-bit whole number, a fraction going to the nearest
// whole (halves to the even one); nothing for a text that holds no number or
// one beyond that range.
std::optional<int> wholeNumber(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return int(rounded);
}

bool isNumeric(const QString &text)
{
    bool ok = false;
    QLocale::c().toDouble(text.trimmed(), &ok);
    return ok;
}

void exclaim(const QString &message)
{
    Desktop::MsgBox(message, Desktop::BoxExclamation);
}

} // namespace

frmAddRelist::frmAddRelist()
{
    setWindowTitle(QStringLiteral("Schedule Item Relisting"));
    setModal(true);
    txtItemNum = new QLineEdit(this);
    txtFreq = new QLineEdit(this);
    txtHour = new QLineEdit(this);
    txtMinute = new QLineEdit(QStringLiteral("00"), this);
    ddnAMPM = new QComboBox(this);
    ddnAMPM->addItems({QStringLiteral("AM"), QStringLiteral("PM")});
    Calendar = new QCalendarWidget(this);
    lblRet = new QLabel(QStringLiteral("Retrieving details..."), this);
    lblRet->hide();
    m_inet = new Inet(this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Item #:"), this), 0, 0);
    grid->addWidget(txtItemNum, 0, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Relist every:"), this), 1, 0);
    grid->addWidget(txtFreq, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("day(s)"), this), 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("At:"), this), 2, 0);
    grid->addWidget(txtHour, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral(":"), this), 2, 2);
    grid->addWidget(txtMinute, 2, 3);
    grid->addWidget(ddnAMPM, 2, 4);
    grid->addWidget(new QLabel(QStringLiteral("Next Listing Date:"), this), 3, 0);
    grid->addWidget(Calendar, 4, 0, 1, 5);
    grid->addWidget(lblRet, 5, 0, 1, 3);
    grid->addWidget(cmdOK, 5, 3);
    grid->addWidget(cmdCancel, 5, 4);

    for (QLineEdit *box : {txtItemNum, txtFreq, txtHour, txtMinute})
        box->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, &frmAddRelist::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmAddRelist::cmdCancel_Click);
}

void frmAddRelist::Form_Load()
{
    ddnAMPM->setCurrentIndex(0);
}

void frmAddRelist::ShowModal(bool edit)
{
    if (isLoaded())
        unloadInstance();
    frmAddRelist &w = instance();
    w.blnEdit = edit;
    w.exec();
}

void frmAddRelist::ShowModalForEdit(const QString &itemNumber, const QString &period, const QString &nextRelisting)
{
    if (isLoaded())
        unloadInstance();
    frmAddRelist &w = instance();
    w.FillForEdit(itemNumber, period, nextRelisting);
    w.exec();
}

void frmAddRelist::FillForEdit(const QString &itemNumber, const QString &period, const QString &nextRelisting)
{
    blnEdit = true;
    txtItemNum->setText(itemNumber);
    txtFreq->setText(period);
    if (const auto next = RelistFile::ReadNextRelisting(nextRelisting)) {
        const int hour = next->time().hour();
        txtHour->setText(QString::number(hour % 12 == 0 ? 12 : hour % 12));
        ddnAMPM->setCurrentIndex(hour < 12 ? 0 : 1);
        txtMinute->setText(QStringLiteral("%1").arg(next->time().minute(), 2, 10, QLatin1Char('0')));
    }
    const QDate day = RelistFile::DatePart(nextRelisting);
    if (day.isValid())
        Calendar->setSelectedDate(day);
}

std::optional<QTime> frmAddRelist::GetTime()
{
    bool ok = false;
    const double hour = QLocale::c().toDouble(txtHour->text().trimmed(), &ok);
    if (!ok || hour > 24 || hour != std::floor(hour)) {
        exclaim(QStringLiteral("Invalid hour"));
        return std::nullopt;
    }
    const double minute = QLocale::c().toDouble(txtMinute->text().trimmed(), &ok);
    if (!ok || minute > 59 || minute < 0 || minute != std::floor(minute)) {
        exclaim(QStringLiteral("Invalid minutes"));
        return std::nullopt;
    }
    int h = int(hour);
    const bool pm = ddnAMPM->currentText() == QLatin1String("PM");
    if (!pm && h == 12)
        h = 0;
    else if (pm && h != 12)
        h += 12;
    if (h < 0 || h > 23) {
        exclaim(QStringLiteral("Invalid hour"));
        return std::nullopt;
    }
    return QTime(h, int(minute), 0);
}

void frmAddRelist::setFetching(bool on)
{
    cmdOK->setVisible(!on);
    cmdCancel->setVisible(!on);
    lblRet->setVisible(on);
}

void frmAddRelist::cmdOK_Click()
{
    const QString itemNumber = txtItemNum->text().trimmed();
    if (!isNumeric(itemNumber))
        return exclaim(QStringLiteral("Invalid item number"));
    // A field without a number ends OK quietly, the window staying open.
    const auto days = wholeNumber(txtFreq->text());
    if (!days)
        return;
    if (*days < 1 || *days > 89)
        return exclaim(QStringLiteral("Number of days must be between 1 and 89"));
    const auto hour = wholeNumber(txtHour->text());
    if (!hour)
        return;
    if (*hour < 1 || *hour > 12)
        return exclaim(QStringLiteral("Hour must be between 1 and 12"));
    const auto minute = wholeNumber(txtMinute->text());
    if (!minute)
        return;
    if (*minute < 0 || *minute > 59)
        return exclaim(QStringLiteral("Minute must be between 0 and 59"));
    // A pasted hour or minute with a fraction passes the checks above but is
    // no time of day; the entry is not stored at a time nobody chose.
    const std::optional<QTime> time = GetTime();
    if (!time)
        return;

    setFetching(true);
    const QString page = basGeneral::GetURL(
        HostRoles::url(HostRoles::Role::Item, QStringLiteral("/ws/eBayISAPI.dll?ViewItem&item=") + itemNumber), *m_inet);
    setFetching(false);
    if (page.toLower().contains(QLatin1String(") has been removed, or this item is not available.<")))
        return exclaim(QStringLiteral("Invalid item number"));
    const QString seller = basGeneral::GetItemField(page, QStringLiteral("seller"));
    if (seller.isEmpty() || !FindEbayUser(*frmSettings::instance().lvwUsers, seller))
        return exclaim(QStringLiteral("This item can only be relisted when it is sold by one of your eBay accounts")
                       + (seller.isEmpty() ? QString() : QStringLiteral(" (the seller is ") + seller + QLatin1Char(')')));

    ListView *list = frmRelistItems::instance().lvwRelist;
    ListItem *row = blnEdit ? list->SelectedItem() : nullptr;
    if (blnEdit && !row)
        return;
    if (row)
        row->setText(itemNumber);
    else
        row = list->Add(itemNumber);
    row->setSubItem(1, seller);
    row->setSubItem(2, basGeneral::GetItemField(page, QStringLiteral("title")));
    row->setSubItem(3, QStringLiteral("Every ") + txtFreq->text() + QStringLiteral(" day(s) at ") + txtHour->text()
                           + QLatin1Char(':') + txtMinute->text() + QLatin1Char(' ') + ddnAMPM->currentText());
    row->setSubItem(4, RelistFile::NextRelistingText(QDateTime(Calendar->selectedDate(), *time)));
    row->setTag(txtFreq->text());
    unloadInstance();
}

void frmAddRelist::cmdCancel_Click()
{
    unloadInstance();
}

bool frmAddRelist::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (!box)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        QTimer::singleShot(0, box, [box] { basGeneral::SelectAllText(box); });
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const QString text = key->text();
    const bool digit = text.size() == 1 && text.at(0).isDigit() && text.at(0).unicode() < 128;
    if (digit)
        return false;
    switch (key->key()) {
    case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Escape:
    // Deleting leaves digits only, so every box lets the user correct a
    // mistyped number.
    case Qt::Key_Backspace: case Qt::Key_Delete:
        return false;
    default:
        break;
    }
    if (box == txtItemNum
        && (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Paste) || key->matches(QKeySequence::Cut)))
        return false;
    // Moving the caret and leaving the box stay possible; every other key
    // that would type is turned away.
    return !text.isEmpty();
}
