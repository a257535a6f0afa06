#pragma once

#include "foundation/hostroles.h"
#include "tests/integration/refreshsimutil.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryFile>

// While it lives, the program's hosts are the simulator's followed by
// `lines` ("role.https=host:port"), which win.
class PointedRoles
{
public:
    explicit PointedRoles(const QStringList &lines)
    {
        QFile in(RefreshSim::Server().hostsFile());
        EXPECT_TRUE(in.open(QIODevice::ReadOnly) && m_file.open());
        m_file.write(in.readAll() + lines.join('\n').toLatin1() + "\n");
        m_file.flush();
        qputenv("TALLOWMERE_HOSTS", m_file.fileName().toUtf8());
        HostRoles::reload();
    }
    ~PointedRoles()
    {
        qputenv("TALLOWMERE_HOSTS", RefreshSim::Server().hostsFile().toUtf8());
        HostRoles::reload();
    }
    Q_DISABLE_COPY_MOVE(PointedRoles)

private:
    QTemporaryFile m_file;
};
