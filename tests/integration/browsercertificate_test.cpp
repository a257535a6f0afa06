// Which certificates the browser panes let pass when the engine does not
// know their authority: only those of the authority given in TALLOWMERE_CA,
// for the host they were issued for, while they are valid.
#include "platform/certificatepass.h"
#include "platform/network.h"
#include "platform/webbrowser.h"
#include "sim/core/certificates.h"

#include "tests/integration/refreshsimutil.h"
#include "tests/support/hostiletls.h"
#include "tests/support/signedcertificate.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QMetaEnum>
#include <QSslCertificate>
#include <QSslError>
#include <QSslSocket>
#include <QTemporaryDir>

namespace {

QString simulatorFile(const char *name)
{
    return QFileInfo(RefreshSim::Server().caFile()).dir().filePath(QString::fromLatin1(name));
}

// A certificate of the simulator's own authority, for `altNames`, valid
// from `from` until `until`.
SignedCertificate signedBySimulator(const QTemporaryDir &dir, const QString &altNames, const QDateTime &from,
                                    const QDateTime &until)
{
    SignedCertificate made;
    QString error;
    EXPECT_TRUE(SignCertificate(dir.path(), simulatorFile("ca.pem"), simulatorFile("ca.key"), altNames, from, until, &made,
                                &error))
        << error.toStdString();
    return made;
}

struct BadCertificates
{
    QTemporaryDir expiredDir;
    QTemporaryDir otherHostDir;
    SignedCertificate expired = signedBySimulator(expiredDir, "IP:127.0.0.1,DNS:localhost",
                                                  QDateTime::currentDateTimeUtc().addDays(-400),
                                                  QDateTime::currentDateTimeUtc().addDays(-30));
    SignedCertificate otherHost = signedBySimulator(otherHostDir, "DNS:other.example",
                                                    QDateTime::currentDateTimeUtc().addDays(-1),
                                                    QDateTime::currentDateTimeUtc().addDays(30));
};

} // namespace

TEST(BrowserCertificates, OnlyTheGivenAuthorityPassesForItsOwnHosts)
{
    Sim::SimServer &sim = RefreshSim::Server();
    const QList<QSslCertificate> simulator = QSslCertificate::fromPath(QFileInfo(sim.caFile()).dir().filePath("server.pem"));
    ASSERT_EQ(simulator.size(), 1);
    EXPECT_TRUE(Network::IsIssuedByConfiguredAuthority(simulator, "127.0.0.1"));
    EXPECT_TRUE(Network::IsIssuedByConfiguredAuthority(simulator, "signin.ebay.localhost"));
    EXPECT_FALSE(Network::IsIssuedByConfiguredAuthority(simulator, "signin.ebay.com"));
    EXPECT_FALSE(Network::IsIssuedByConfiguredAuthority({}, "127.0.0.1"));

    // Another authority of the same making, and one of the system's own.
    QTemporaryDir otherDir;
    Sim::TlsFiles other;
    QString error;
    ASSERT_TRUE(Sim::ensureCertificates(otherDir.path(), &other, &error)) << error.toStdString();
    EXPECT_FALSE(Network::IsIssuedByConfiguredAuthority(QSslCertificate::fromPath(other.certFile), "127.0.0.1"));
    const QList<QSslCertificate> systemRoot = QSslCertificate::fromPath("/etc/ssl/certs/ISRG_Root_X1.pem");
    if (!systemRoot.isEmpty()) {
        ASSERT_TRUE(QSslCertificate::verify(systemRoot).isEmpty());
        EXPECT_FALSE(Network::IsIssuedByConfiguredAuthority(systemRoot, QString()));
    }
}

// Every error the engine may report, overridable or not, for every kind of
// chain: only an overridable unknown authority passes, and only for a valid
// certificate of the given authority on a host it was issued for.
TEST(BrowserCertificates, OnlyAnUnknownAuthorityErrorPassesAndOnlyForAGoodCertificateOfTheGivenOne)
{
    const BadCertificates bad;
    QTemporaryDir otherDir;
    Sim::TlsFiles otherAuthority;
    QString error;
    ASSERT_TRUE(Sim::ensureCertificates(otherDir.path(), &otherAuthority, &error)) << error.toStdString();

    struct Chain
    {
        const char *name;
        QList<QSslCertificate> certificates;
        QStringList goodFor;
    };
    const QList<Chain> chains = {
        {"the simulator's", QSslCertificate::fromPath(simulatorFile("server.pem")),
         {"127.0.0.1", "localhost", "signin.ebay.localhost"}},
        {"expired, of the given authority", QSslCertificate::fromPath(bad.expired.certFile), {}},
        {"other.example's, of the given authority", QSslCertificate::fromPath(bad.otherHost.certFile), {"other.example"}},
        {"another authority's", QSslCertificate::fromPath(otherAuthority.certFile), {}},
        {"none", {}, {}},
    };
    for (const Chain &chain : chains)
        ASSERT_TRUE(chain.certificates.size() == 1 || std::string(chain.name) == "none") << chain.name;

    const QMetaEnum types = QMetaEnum::fromType<QWebEngineCertificateError::Type>();
    for (int i = 0; i < types.keyCount(); ++i) {
        const auto type = QWebEngineCertificateError::Type(types.value(i));
        for (const bool overridable : {true, false})
            for (const Chain &chain : chains)
                for (const QString host : {"127.0.0.1", "localhost", "signin.ebay.localhost", "other.example", "signin.ebay.com"}) {
                    const bool expected = type == QWebEngineCertificateError::CertificateAuthorityInvalid && overridable
                        && chain.goodFor.contains(host);
                    EXPECT_EQ(BrowserCertificates::MayPass(type, overridable, chain.certificates, host), expected)
                        << types.key(i) << (overridable ? " overridable" : " final") << ", " << chain.name << " chain, "
                        << host.toStdString();
                }
    }
}

// In a browser pane: a page behind a bad certificate of the given authority
// is never asked for; behind the simulator's own it is.
TEST(BrowserCertificates, APaneRefusesAnExpiredOrOtherHostsCertificateOfTheGivenAuthority)
{
    RefreshSim::Server();
    const BadCertificates bad;
    const auto serve = [](QSslSocket *socket) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 27\r\nConnection: close\r\n\r\n"
                      "<html><p>reached</p></html>");
        socket->disconnectFromHost();
    };
    const auto requestsOpening = [](HostileTls &server) {
        WebBrowser pane;
        pane.resize(400, 300);
        pane.show();
        bool completed = false;
        QObject::connect(&pane, &WebBrowser::DocumentComplete, &pane, [&] { completed = true; });
        pane.Navigate(QStringLiteral("https://127.0.0.1:%1/page").arg(server.port()));
        waitFor([&] { return completed || server.requests() > 0; });
        return server.requests();
    };

    HostileTls expired(bad.expired.certFile, bad.expired.keyFile, serve);
    EXPECT_EQ(requestsOpening(expired), 0) << "an expired certificate passed";
    HostileTls otherHost(bad.otherHost.certFile, bad.otherHost.keyFile, serve);
    EXPECT_EQ(requestsOpening(otherHost), 0) << "a certificate for another host passed";
    HostileTls simulators(RefreshSim::Server(), serve);
    EXPECT_EQ(requestsOpening(simulators), 1) << "the simulator's own certificate was refused";
}
