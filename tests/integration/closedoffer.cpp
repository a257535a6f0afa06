#include "tests/integration/closedoffer.h"

#include "foundation/hostroles.h"
#include "sim/core/simserver.h"
#include "tests/support/closedport.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

void Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

ClosedOfferHttps::ClosedOfferHttps(Sim::SimServer &server) : m_hostsFile(server.hostsFile())
{
    QFile file(m_hostsFile);
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "cannot read " << m_hostsFile.toStdString();
    m_original = file.readAll();
    // The role's host name stays (it is what the certificate covers); a later
    // line of the file counts over an earlier one.
    const QRegularExpression offer(QStringLiteral("^offer\\.https=([^:\\n]+):\\d+$"), QRegularExpression::MultilineOption);
    const QRegularExpressionMatch line = offer.match(QString::fromLatin1(m_original));
    if (!line.hasMatch())
        ADD_FAILURE() << "no https line for the bid host in " << m_hostsFile.toStdString();
    Write(m_hostsFile, m_original + "offer.https=" + line.captured(1).toLatin1() + ':' + QByteArray::number(ClosedLoopbackPort())
                           + '\n');
    m_closed = true;
    HostRoles::reload();
}

ClosedOfferHttps::~ClosedOfferHttps()
{
    Reopen();
}

void ClosedOfferHttps::Reopen()
{
    if (!m_closed)
        return;
    m_closed = false;
    Write(m_hostsFile, m_original);
    HostRoles::reload();
}
