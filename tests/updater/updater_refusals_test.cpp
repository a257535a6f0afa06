// The updater against a vendor it must not believe: releases without the
// vendor's signature, plain http, redirects, downloads that stall, never end
// or are cut off, and archives that would install more than plain files.
// Each time the old program stays whole and starts again, and the user reads
// why; a release is only ever taken from the vendor's secure host.
#include "tests/updater/updaterrun.h"

#include "tests/support/filemode.h"
#include "tests/support/hostiletls.h"
#include "tests/support/testfiles.h"
#include "tests/support/tinyhttp.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPointer>
#include <QSslSocket>
#include <QTimer>

using namespace UpdaterRun;

namespace {

// Runs the updater on what `in` offers; checks it refused, ending with `why`, left
// the folder as it was and started the old program.
void expectRefused(Installed &in, const QString &why, const QStringList &arguments = {},
                   Updater::Build build = Updater::Build::TestKey)
{
    const QMap<QString, QByteArray> before = in.files();
    const int started = in.starts().size();
    Updater updater(in, EndedProcess(), arguments, build);
    EXPECT_EQ(updater.finish(), 1);
    EXPECT_TRUE(updater.said.contains(kNotInstalled)) << updater.said.toStdString();
    EXPECT_TRUE(updater.said.contains(why + kOldStarts)) << updater.said.toStdString();
    EXPECT_EQ(in.files(), before);
    ASSERT_TRUE(waitFor([&] { return in.starts().size() == started + 1; }));
    EXPECT_EQ(in.starts().last(), "v1 ");
}

// The update information lines of a release made by scripts/make-release
// from the files of `archive`, signed with `key`.
QString madeRelease(const QByteArray &archive, const QString &key, const QString &dir)
{
    QDir().mkpath(dir + "/files");
    QProcess untar;
    untar.start("tar", {"-xf", "-", "-C", dir + "/files"});
    untar.write(archive);
    untar.closeWriteChannel();
    untar.waitForFinished(30000);
    QProcess script;
    script.start(TALLOWMERE_MAKE_RELEASE, {key, "99", dir + "/files", dir + "/tallowmere.tar"});
    EXPECT_TRUE(script.waitForFinished(30000));
    EXPECT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();
    Server().setReleaseArchive(fileBytes(dir + "/tallowmere.tar"));
    return QString::fromLatin1(script.readAllStandardOutput()).replace("/releases/tallowmere.tar", Sim::SimServer::releasePath());
}

QByteArray head(qint64 length)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/x-tar\r\nContent-Length: " + QByteArray::number(length)
        + "\r\nConnection: close\r\n\r\n";
}

// Writes `chunk` every `ms` until the socket is gone.
void trickle(QSslSocket *socket, const QByteArray &chunk, int ms)
{
    auto *timer = new QTimer(socket);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, chunk] { socket->write(chunk); });
    timer->start(ms);
}

} // namespace

TEST(UpdaterRefusals, OnlyAReleaseSignedWithTheVendorsKeyIsInstalled)
{
    Installed in;
    Server().setReleaseArchive(ReleaseArchive(in));
    const QString signedLines = Server().releaseInfoLines(99);
    const qint64 mark = Server().requestLog().nextIndex();

    // No signature at all: the checksum alone is whoever answered's word.
    QString unsignedLines = signedLines;
    unsignedLines.truncate(unsignedLines.indexOf("<signature>"));
    in.offer(unsignedLines);
    expectRefused(in, "the release is not signed by the vendor");

    // Signed, but for another revision than the one offered.
    in.offer(QString(signedLines).replace("<version>\r\n99", "<version>\r\n98"));
    expectRefused(in, "the release is not signed by the vendor");

    // The shipped updater does not take the simulator's test key.
    in.offer(signedLines);
    expectRefused(in, "the release is not signed by the vendor", {}, Updater::Build::Shipped);
    EXPECT_EQ(ReleaseRequestsSince(mark), 0);

    // A key of someone else's, through the release script.
    QTemporaryDir other;
    QProcess genkey;
    genkey.start("openssl", {"genpkey", "-algorithm", "ed25519", "-out", other.filePath("other.key")});
    ASSERT_TRUE(genkey.waitForFinished(30000));
    in.offer(madeRelease(ReleaseArchive(in), other.filePath("other.key"), other.filePath("r")));
    expectRefused(in, "the release is not signed by the vendor");
    EXPECT_EQ(ReleaseRequestsSince(mark), 0);

    // The same files through the script with the test key are installed.
    in.offer(madeRelease(ReleaseArchive(in), TALLOWMERE_TEST_RELEASE_KEY, other.filePath("good")));
    Updater updater(in, EndedProcess());
    EXPECT_EQ(updater.finish(), 0) << updater.said.toStdString();
    EXPECT_EQ(in.files().value("default.tmt"), "new template");
    ASSERT_TRUE(waitFor([&] { return in.starts().size() == 5; }));
    EXPECT_EQ(in.starts().last(), "v2 ");
}

TEST(UpdaterRefusals, AGenuineOldReleaseIsNotInstalledAloneOrBehindANewerClaim)
{
    Installed in;
    Server().setReleaseArchive(ReleaseArchive(in));
    const qint64 mark = Server().requestLog().nextIndex();

    // The vendor's own lines of an old release, then a newer revision with
    // notes and a critical mark that nobody signed.
    in.offer(Server().releaseInfoLines(7) + "\r\n<version>\r\n" + QString::number(kRunningRevision + 7)
             + "\r\n<notes>\r\nUrgent fix\r\n</notes>\r\n<critical>\r\nTrue");
    expectRefused(in, "the update information gives <version> more than once");

    // Signed, but older than the running program or the same.
    for (const int revision : {7, kRunningRevision}) {
        in.offer(Server().releaseInfoLines(revision));
        expectRefused(in, QString("the release offered (revision %1) is not newer than the running program (revision %2)")
                              .arg(revision)
                              .arg(kRunningRevision));
    }
    EXPECT_EQ(ReleaseRequestsSince(mark), 0);

    // Without the program's revision there is nothing to go beyond.
    in.offer(Server().releaseInfoLines(kRunningRevision + 1));
    const QMap<QString, QByteArray> before = in.files();
    Updater unknown(in, EndedProcess(), {"--revision", "unknown"});
    EXPECT_EQ(unknown.finish(), 2);
    EXPECT_TRUE(unknown.said.contains("--revision is required")) << unknown.said.toStdString();
    EXPECT_EQ(in.files(), before);
    EXPECT_EQ(ReleaseRequestsSince(mark), 0);

    Updater updater(in, EndedProcess());
    EXPECT_EQ(updater.finish(), 0) << updater.said.toStdString();
    ASSERT_TRUE(waitFor([&] { return in.starts().size() == 4; }));
    EXPECT_EQ(in.starts().last(), "v2 ");
}

TEST(UpdaterRefusals, AReleaseComesOverHttpsFromTheSecureHostOnlyAndIsNeverRedirected)
{
    Installed in;
    Server().setReleaseArchive(ReleaseArchive(in));
    in.offerServedRelease();
    const QByteArray archive = Server().releaseArchive();
    // A plain-http "vendor" that would hand out the release to anyone asking.
    TinyHttp plain([&](const TinyHttp::Request &) { return TinyHttp::Reply{200, archive}; });

    const QString at = "127.0.0.1:" + QString::number(plain.port());
    in.pointRoles({"vendor.http=" + at, "vendor.https=" + at, "vendorsecure.http=" + at, "vendorsecure.https=" + at});
    // It gets no TLS answer from the plain server, which never sees a request.
    expectRefused(in, "the release could not be downloaded from https://" + at + Sim::SimServer::releasePath()
                          + ": the download stalled (less than 1 KB arrived in 3 seconds)",
                  {"--stall-seconds", "3"});
    EXPECT_TRUE(plain.requests().isEmpty() || plain.requests().first().method != "GET");

    HostileTls redirecting(Server(), [&](QSslSocket *socket) {
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + plain.url("/releases/tallowmere.tar")
                      + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    });
    in.pointRoles({"vendorsecure.https=127.0.0.1:" + QString::number(redirecting.port())});
    expectRefused(in, "the release could not be downloaded from https://127.0.0.1:" + QString::number(redirecting.port())
                          + Sim::SimServer::releasePath() + ": the server sent it on to " + QString::fromLatin1(plain.url("/releases/tallowmere.tar"))
                          + ", and a release is only taken from the vendor's secure host");
    EXPECT_EQ(redirecting.requests(), 1);
    EXPECT_TRUE(plain.requests().isEmpty() || plain.requests().first().method != "GET");
}

TEST(UpdaterRefusals, ADownloadThatStallsNeverEndsOrIsCutOffIsGivenUpAndSaysWhy)
{
    Installed in;
    Server().setReleaseArchive(ReleaseArchive(in));
    in.offerServedRelease();
    const QByteArray archive = Server().releaseArchive();
    const QString size = QString::number(archive.size());

    // One byte now and then: a stall, given up within the stall limit.
    HostileTls slow(Server(), [&](QSslSocket *socket) {
        socket->write(head(archive.size()));
        trickle(socket, "x", 400);
    });
    in.pointRoles({"vendorsecure.https=127.0.0.1:" + QString::number(slow.port())});
    QElapsedTimer took;
    took.start();
    expectRefused(in, "the download stalled (less than 1 KB arrived in 2 seconds)", {"--stall-seconds", "2"});
    EXPECT_LT(took.elapsed(), 15000);

    // Quick enough never to stall, but the deadline comes first.
    HostileTls steady(Server(), [&](QSslSocket *socket) {
        socket->write(head(archive.size()));
        trickle(socket, QByteArray(1100, 'x'), 500);
    });
    in.pointRoles({"vendorsecure.https=127.0.0.1:" + QString::number(steady.port())});
    expectRefused(in, "the download took longer than 3 seconds", {"--stall-seconds", "2", "--deadline-seconds", "3"});

    // More than the release's size, announced or not.
    HostileTls endless(Server(), [&](QSslSocket *socket) {
        socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
        trickle(socket, QByteArray(64 * 1024, 'x'), 10);
    });
    in.pointRoles({"vendorsecure.https=127.0.0.1:" + QString::number(endless.port())});
    expectRefused(in, "the download is larger than the release's size of " + size + " bytes");
    HostileTls announced(Server(), [&](QSslSocket *socket) { socket->write(head(qint64(1) << 40)); });
    in.pointRoles({"vendorsecure.https=127.0.0.1:" + QString::number(announced.port())});
    expectRefused(in, "the download is larger than the release's size of " + size + " bytes");

    // Half the release, then the connection ends.
    HostileTls cutting(Server(), [&](QSslSocket *socket) {
        socket->write(head(archive.size()) + archive.left(archive.size() / 2));
        QPointer<QSslSocket> s(socket);
        QTimer::singleShot(300, socket, [s] { if (s) s->disconnectFromHost(); });
    });
    in.pointRoles({"vendorsecure.https=127.0.0.1:" + QString::number(cutting.port())});
    expectRefused(in, "the download was cut off after " + QString::number(archive.size() / 2) + " of " + size + " bytes");

    // A size beyond any release is refused before anything is asked.
    in.offer(Server().releaseInfoLines(99).replace("<size>\r\n" + size, "<size>\r\n999999999999"));
    expectRefused(in, "the release is larger than an update may be (999999999999 bytes, at most 268435456)");
}

TEST(UpdaterRefusals, OnlyPlainFilesAndFoldersAreInstalledAndNoneKeepsSetuidOrWorldWritableBits)
{
    Installed in;
    Server().setReleaseArchive(ReleaseArchive(in, {}, "pipe"));
    in.offerServedRelease();
    expectRefused(in, "the release archive holds something that is not a plain file or folder: pipe");

    Server().setReleaseArchive(ReleaseArchive(in, {{"helper", 06755}, {"open.txt", 0666}}));
    in.offerServedRelease();
    Updater updater(in, EndedProcess());
    EXPECT_EQ(updater.finish(), 0) << updater.said.toStdString();
    EXPECT_EQ(in.files().value("helper"), "extra");
    EXPECT_EQ(FileMode(in.folder + "/helper"), "0755");
    EXPECT_EQ(FileMode(in.folder + "/open.txt"), "0644");
    EXPECT_EQ(FileMode(in.program), "0755");
}
