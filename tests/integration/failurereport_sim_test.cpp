// The bid failure report filled into the vendor's report page and sent,
// through the window's own browser, to the simulator.
#include "tests/integration/bidsim.h"

#include "engine/frmfailurereport.h"
#include "foundation/frmsettings.h"
#include "tests/integration/pointedroles.h"
#include "tests/support/hostiletls.h"
#include "tests/support/tinyhttp.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSslSocket>
#include <QTest>

using namespace BidSim;

TEST(FailureReportWithSimulator, SendsTheFourPagesInTheReportFormAndCloses)
{
    MainWindow();
    Server().bids().reports.clear();
    frmSettings &settings = frmSettings::instance();
    settings.ddnFastSyncInterval->setCurrentIndex(1);
    settings.ddnBidDelay->setCurrentIndex(2);

    frmFailureReport &report = frmFailureReport::instance();
    report.strUsername = QStringLiteral("alice");
    report.strItemNumber = QStringLiteral("110000000777");
    report.strResultSignOut = QStringLiteral("<p>You've signed out.</p>");
    report.strResultSignIn = QStringLiteral("<p>Welcome back.</p>");
    report.strResultSendBid = QStringLiteral("<p>Review & confirm \"bid\"</p>");
    report.strResultConfirmBid = QStringLiteral("<h1>Something odd</h1>");
    const qint64 mark = RefreshSim::Mark();
    report.Show();
    // The window's own browser works unseen: no strip of it along the bottom.
    for (const QWidget *control : report.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (control->isVisible())
            EXPECT_GE(control->height(), 8) << control->metaObject()->className() << " shows as a strip";
    report.txtEmail->setText(QStringLiteral("me@example.com"));
    report.cmdSend_Click();
    EXPECT_EQ(report.cmdSend->text(), QStringLiteral("Sending..."));
    EXPECT_FALSE(report.cmdSend->isEnabled());

    QTest::qWaitFor([] { return !frmFailureReport::isLoaded(); }, 60000);
    EXPECT_FALSE(frmFailureReport::isLoaded()) << "the thanks page closes the window";
    ASSERT_EQ(Server().bids().reports.size(), 1);
    // The e-mail address goes to the vendor's secure host only.
    int asked = 0;
    for (const Sim::LogEntry &e : Server().requestLog().since(mark))
        if (e.target.startsWith(QLatin1String("/sendreport.asp"))) {
            ++asked;
            EXPECT_EQ(e.scheme, QStringLiteral("https"));
            EXPECT_EQ(e.role, QStringLiteral("vendorsecure"));
        }
    EXPECT_EQ(asked, 2);
    const QJsonObject sent = Server().bids().reports.first();
    EXPECT_EQ(sent.value(QStringLiteral("reporttype")).toString(), QStringLiteral("failedbid"));
    EXPECT_EQ(sent.value(QStringLiteral("email")).toString(), QStringLiteral("me@example.com"));
    EXPECT_EQ(sent.value(QStringLiteral("UserName")).toString(), QStringLiteral("alice"));
    EXPECT_EQ(sent.value(QStringLiteral("ItemNumber")).toString(), QStringLiteral("110000000777"));
    EXPECT_EQ(sent.value(QStringLiteral("build")).toString(), QString::number(frmFailureReport::BuildNumber()));
    EXPECT_EQ(sent.value(QStringLiteral("Int")).toString(), settings.ddnFastSyncInterval->currentText());
    EXPECT_EQ(sent.value(QStringLiteral("delay")).toString(), settings.ddnBidDelay->currentText());
    EXPECT_EQ(sent.value(QStringLiteral("SignOut")).toString(), QStringLiteral("<p>You've signed out.</p>"));
    EXPECT_EQ(sent.value(QStringLiteral("SignIn")).toString(), QStringLiteral("<p>Welcome back.</p>"));
    EXPECT_EQ(sent.value(QStringLiteral("sendbid")).toString(), QStringLiteral("<p>Review & confirm \"bid\"</p>"));
    EXPECT_EQ(sent.value(QStringLiteral("ConfirmBid")).toString(), QStringLiteral("<h1>Something odd</h1>"));
    EXPECT_EQ(sent.value(QStringLiteral("itempage")).toString(), QString()) << "not a field of this report";
}

TEST(FailureReportWithSimulator, AReportPageOffTheSecureHostIsNotFilledIn)
{
    MainWindow();
    Server().bids().reports.clear();
    // The secure host sends the report page on to a plain-http server that
    // serves the form.
    TinyHttp plain([](const TinyHttp::Request &) {
        TinyHttp::Reply reply;
        reply.headers = {{"Content-Type", "text/html"}};
        reply.body = "<html><body><form name=\"ReportForm\" id=\"ReportForm\" method=\"post\" action=\"/sendreport.asp\">"
                     "<input name=\"reporttype\"><input name=\"email\"></form></body></html>";
        return reply;
    });
    HostileTls redirecting(Server(), [&](QSslSocket *socket) {
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + plain.url("/sendreport.asp")
                      + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    });
    PointedRoles roles({"vendorsecure.https=127.0.0.1:" + QString::number(redirecting.port())});

    frmFailureReport &report = frmFailureReport::instance();
    report.strUsername = QStringLiteral("alice");
    report.strItemNumber = QStringLiteral("110000000778");
    report.Show();
    // The window's own browser works unseen: no strip of it along the bottom.
    for (const QWidget *control : report.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (control->isVisible())
            EXPECT_GE(control->height(), 8) << control->metaObject()->className() << " shows as a strip";
    report.txtEmail->setText(QStringLiteral("me@example.com"));
    report.cmdSend_Click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !plain.requests().isEmpty(); }, 60000));
    QTest::qWait(1500); // a fill and submit would come now
    EXPECT_EQ(redirecting.requests(), 1);
    for (const TinyHttp::Request &r : plain.requests())
        EXPECT_EQ(r.method, "GET") << "the form was sent to " << r.target.constData();
    EXPECT_TRUE(Server().bids().reports.isEmpty());
    EXPECT_TRUE(frmFailureReport::isLoaded());
    EXPECT_EQ(report.cmdSend->text(), QStringLiteral("Sending..."));
    frmFailureReport::unloadInstance();
}
