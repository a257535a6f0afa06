// The Favorites menu: adding the browser's page, organising, the file and
// reading it back at the next start.
#include "mainwindow/favoritesfile.h"
#include "mainwindow/frmaddfavorite.h"
#include "mainwindow/frmmain.h"
#include "mainwindow/frmorganizefavorites.h"

#include "platform/listview.h"
#include "platform/ticktimer.h"
#include "platform/webbrowser.h"
#include "tests/support/msgboxscript.h"
#include "tests/support/testfiles.h"
#include "tests/support/testtext.h"
#include "tests/support/waitfor.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

frmMain &freshMain()
{
    if (frmMainShell::isLoaded())
        frmMainShell::destroyInstance();
    frmMain &m = frmMain::instance();
    m.tmrLoadProcess->setEnabled(false);
    return m;
}

// The program started again: the menu as the loader fills it from the file.
frmMain &restarted()
{
    frmMain &m = freshMain();
    m.LoadFavorites();
    return m;
}

// "caption -> url" of every element; a disabled one is marked.
QStringList menu(const frmMain &m)
{
    QStringList out;
    for (const QAction *a : m.mnuFavoritesItems)
        out << (a->isEnabled() ? "" : "(off) ") + a->text() + (a->data().toString().isEmpty() ? "" : " -> " + a->data().toString());
    return out;
}

// Runs `work` on the add window once it shows (the window reads the page
// before it is made, and events run meanwhile).
void whenAddWindowShows(const std::function<void(frmAddFavorite &)> &work)
{
    auto *poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, work] {
        if (!frmAddFavorite::isLoaded() || !frmAddFavorite::instance().isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        work(frmAddFavorite::instance());
    });
    poll->start();
}

void addPage(const QString &title, const QString &url)
{
    whenAddWindowShows([=](frmAddFavorite &w) {
        w.ShowPage(title, url);
        w.cmdOK->click();
    });
    frmAddFavorite::ShowModal();
}

// Opens the organise window, lets `work` act on it, then clicks Done.
void organise(const std::function<void(frmOrgFavorites &)> &work, bool done = true)
{
    QTimer::singleShot(0, [=] {
        frmOrgFavorites &w = frmOrgFavorites::instance();
        work(w);
        if (done)
            w.cmdDone->click();
        else
            w.close();
    });
    frmOrgFavorites::ShowModal();
}

QStringList rows(const frmOrgFavorites &w)
{
    QStringList out;
    for (int i = 1; i <= w.lvwFavorites->Count(); ++i)
        out << w.lvwFavorites->Item(i)->Text();
    return out;
}

} // namespace

TEST(Favorites, MenuCommandsStandBeforeThePlaceholder)
{
    QFile::remove(FavoritesFile::Path());
    frmMain &m = restarted();
    EXPECT_EQ(m.mnuFavorites->title(), "&Favorites");
    QStringList captions;
    for (const QAction *a : m.mnuFavorites->actions())
        captions << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(captions, QStringList({"Add To Favorites", "Organize Favorites", "-", "<no favorites>"}));
    EXPECT_TRUE(m.HasNoFavorites());
    EXPECT_EQ(m.BuildFavoritesMenu(), m.mnuFavorites); // built once
    EXPECT_EQ(m.mnuFavorites->actions().size(), 4);
}

TEST(Favorites, AddedPagesSurviveARestartWithQuotesAmpersandsAndThePlaceholdersCaption)
{
    QFile::remove(FavoritesFile::Path());
    frmMain &m = freshMain();
    EXPECT_EQ(frmAddFavorite::ShortTitle(QString(50, 'a')), QString(50, 'a'));
    EXPECT_EQ(frmAddFavorite::ShortTitle(QString(51, 'a')), QString(47, 'a') + "...");

    // Cancel adds nothing.
    whenAddWindowShows([](frmAddFavorite &w) { w.cmdCancel->click(); });
    frmAddFavorite::ShowModal();
    EXPECT_TRUE(m.HasNoFavorites());

    addPage("<no favorites>", "http://a.example/?x=1&y=2");
    addPage("Say \"hi\"", "http://b.example/?q=\"z\"");
    addPage(QString(60, 't'), "http://c.example/");
    const QStringList expected = {"<no favorites> -> http://a.example/?x=1&y=2", "Say \"hi\" -> http://b.example/?q=\"z\"",
                                  QString(47, 't') + "... -> http://c.example/"};
    EXPECT_EQ(menu(m), expected);
    EXPECT_EQ(fileBytes(FavoritesFile::Path()),
              "\"<no favorites>\",\"http://a.example/?x=1&y=2\"\r\n\"Say &quot;hi&quot;\",\"http://b.example/?q=&quot;z&quot;\"\r\n\"" +
                  QByteArray(47, 't') + "...\",\"http://c.example/\"\r\n");

    // A favorite titled like the placeholder stays a favorite at the next start.
    EXPECT_EQ(menu(restarted()), expected);
}

TEST(Favorites, ChoosingAFavoriteOpensItsAddressQuotesIncluded)
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("fav.html"), "<html><head><title>Fav</title></head><body>fav</body></html>");
    const QString url = QUrl::fromLocalFile(dir.filePath("fav.html")).toString() + "?q=\"x\"";
    ASSERT_TRUE(FavoritesFile::Write({{"Fav", url}}));
    frmMain &m = restarted();
    ASSERT_EQ(menu(m), QStringList({"Fav -> " + url}));
    m.mnuFavoritesItems.first()->trigger();
    EXPECT_TRUE(waitFor([&] { return m.WebBrowser->LocationURL().contains("fav.html?q="); }));
    EXPECT_TRUE(m.WebBrowser->LocationURL().contains("x"));
}

TEST(Favorites, TheAddWindowTakesTheShownPagesTitleAndAnUntitledPageGivesAnEmptyCaption)
{
    QFile::remove(FavoritesFile::Path());
    QTemporaryDir dir;
    writeBytes(dir.filePath("titled.html"), "<html><head><title>Brass lamp</title></head><body>lamp</body></html>");
    writeBytes(dir.filePath("untitled.html"), "<html><body>no title here</body></html>");
    frmMain &m = restarted();
    // Adds the page the browser shows through the menu command, noting what
    // the window offered.
    auto addShown = [&m](const QString &file) {
        const QString url = QUrl::fromLocalFile(file).toString();
        m.WebBrowser->Navigate(url);
        EXPECT_TRUE(waitFor([&] { return m.WebBrowser->LocationURL() == url && !m.WebBrowser->Busy(); }));
        QStringList offered;
        whenAddWindowShows([&offered](frmAddFavorite &w) {
            offered << w.txtPageTitle->text() << w.lblURL->text();
            w.cmdOK->click();
        });
        m.mnuFavoritesAdd->trigger();
        return offered;
    };
    const QString titled = QUrl::fromLocalFile(dir.filePath("titled.html")).toString();
    const QString untitled = QUrl::fromLocalFile(dir.filePath("untitled.html")).toString();
    EXPECT_EQ(addShown(dir.filePath("titled.html")), QStringList({"Brass lamp", titled}));
    EXPECT_EQ(addShown(dir.filePath("untitled.html")), QStringList({"", untitled}));
    EXPECT_EQ(menu(m), QStringList({"Brass lamp -> " + titled, " -> " + untitled}));
    EXPECT_EQ(menu(restarted()), QStringList({"Brass lamp -> " + titled, " -> " + untitled}));
}

TEST(Favorites, OrganisingDeletesSortsAndSavesOnlyOnDone)
{
    ASSERT_TRUE(FavoritesFile::Write({{"Charlie", "http://c/"}, {"alpha", "http://a/"}, {"Bravo", "http://b/"}}));
    frmMain &m = restarted();

    // Closing without Done changes nothing, whatever was deleted.
    const QByteArray before = fileBytes(FavoritesFile::Path());
    organise(
        [](frmOrgFavorites &w) {
            w.lvwFavorites->setSelectedItem(w.lvwFavorites->Item(1));
            MsgBoxScript::instance().answer(Desktop::AnswerYes);
            w.cmdDelete->click();
        },
        false);
    EXPECT_EQ(menu(m).size(), 3);
    EXPECT_EQ(fileBytes(FavoritesFile::Path()), before);

    QStringList listed, sorted, afterNo;
    organise([&](frmOrgFavorites &w) {
        listed = rows(w);
        w.lvwFavorites_ColumnClick(0);
        sorted = rows(w);
        w.lvwFavorites->setSelectedItem(w.lvwFavorites->Item(2));
        MsgBoxScript::instance().clear();
        MsgBoxScript::instance().answer(Desktop::AnswerNo);
        w.cmdDelete->click();
        afterNo = rows(w);
        MsgBoxScript::instance().answer(Desktop::AnswerYes);
        w.cmdDelete->click();
    });
    EXPECT_EQ(listed, QStringList({"Charlie", "alpha", "Bravo"}));
    EXPECT_EQ(sorted, QStringList({"alpha", "Bravo", "Charlie"}));
    EXPECT_EQ(afterNo, sorted);
    ASSERT_FALSE(MsgBoxScript::instance().calls().isEmpty());
    EXPECT_EQ(MsgBoxScript::instance().calls().first().prompt, "Delete selected favorite?");
    EXPECT_EQ(MsgBoxScript::instance().calls().first().style, Desktop::BoxYesNo | Desktop::BoxQuestion | Desktop::BoxDefaultButton2);
    EXPECT_EQ(menu(m), QStringList({"alpha -> http://a/", "Charlie -> http://c/"}));

    addPage("Delta", "http://d/");
    EXPECT_EQ(menu(m).size(), 3);
    EXPECT_EQ(menu(m).last(), "Delta -> http://d/");
    EXPECT_EQ(menu(restarted()), QStringList({"alpha -> http://a/", "Charlie -> http://c/", "Delta -> http://d/"}));
}

TEST(Favorites, DeletingEveryFavoriteLeavesThePlaceholderAndAnEmptyFile)
{
    ASSERT_TRUE(FavoritesFile::Write({{"<no favorites>", "http://a/"}, {"B", "http://b/"}}));
    frmMain &m = restarted();
    // Done keeps a first favorite that carries the placeholder's caption.
    organise([](frmOrgFavorites &) {});
    EXPECT_EQ(menu(restarted()), QStringList({"<no favorites> -> http://a/", "B -> http://b/"}));

    organise([](frmOrgFavorites &w) {
        while (w.lvwFavorites->Count() > 0) {
            w.lvwFavorites->setSelectedItem(w.lvwFavorites->Item(1));
            MsgBoxScript::instance().answer(Desktop::AnswerYes);
            w.cmdDelete->click();
        }
    });
    frmMain &now = frmMain::instance();
    EXPECT_EQ(menu(now), QStringList({"(off) <no favorites>"}));
    EXPECT_EQ(fileBytes(FavoritesFile::Path()), QByteArray());
    EXPECT_EQ(menu(restarted()), QStringList({"(off) <no favorites>"}));
    (void)m;
}
