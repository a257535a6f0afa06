// Which certificates the browser panes let pass when the engine does not
// know their authority: only those of the authority given in TALLOWMERE_CA,
// for the host they were issued for.
#include "platform/network.h"
#include "sim/core/certificates.h"

#include "tests/integration/refreshsimutil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QSslCertificate>
#include <QSslError>
#include <QTemporaryDir>

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
