// The browser control: navigation and its events, the document as the old
// engine wrote it, elements by id, written documents with their "tmr:" links,
// forms, and the bounds on every wait. Each TEST starts the web engine once
// (about a second), so related checks share a TEST.
#include "platform/webbrowser.h"
#include "tests/support/msgboxscript.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <functional>

namespace {

// Runs the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()> &condition, int ms = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void pump(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Records the control's events.
struct Events
{
    QStringList beforeNavigate;
    QStringList complete;
    QStringList titles;
    QList<int> progress;
    QList<QPair<int, bool>> commands;
    std::function<bool(const QString &)> cancelIf = [](const QString &) { return false; };

    explicit Events(WebBrowser &b)
    {
        QObject::connect(&b, &WebBrowser::BeforeNavigate2, [this](const QString &url, bool &cancel) {
            beforeNavigate << url;
            cancel = cancelIf(url);
        });
        QObject::connect(&b, &WebBrowser::DocumentComplete, [this](const QString &url) { complete << url; });
        QObject::connect(&b, &WebBrowser::TitleChange, [this](const QString &t) { titles << t; });
        QObject::connect(&b, &WebBrowser::ProgressChange, [this](int p, int) { progress << p; });
        QObject::connect(&b, &WebBrowser::CommandStateChange,
                         [this](int c, bool on) { commands.append({c, on}); });
    }
    void clear()
    {
        beforeNavigate.clear();
        complete.clear();
        titles.clear();
        progress.clear();
        commands.clear();
    }
};

class Pages
{
public:
    Pages() { EXPECT_TRUE(m_dir.isValid()); }
    QString add(const QString &name, const QByteArray &html)
    {
        QFile f(m_dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(html);
        return QUrl::fromLocalFile(m_dir.filePath(name)).toString();
    }

private:
    QTemporaryDir m_dir;
};

// Navigates and waits for the page.
bool open(WebBrowser &b, const QString &url)
{
    int done = 0;
    auto c = QObject::connect(&b, &WebBrowser::DocumentComplete, [&](const QString &) { ++done; });
    b.Navigate(url);
    const bool ok = waitFor([&] { return done > 0 && !b.Busy(); });
    QObject::disconnect(c);
    return ok;
}

std::unique_ptr<WebBrowser> makeBrowser()
{
    auto b = std::make_unique<WebBrowser>();
    b->resize(800, 400);
    b->show();
    return b;
}

} // namespace

TEST(WebBrowserControl, NavigationEventsStateAndHistory)
{
    Pages pages;
    const QString first = pages.add("first.htm", "<html><head><title>First page</title></head><body>one</body></html>");
    const QString second = pages.add("second.htm", "<html><body><p id=x>two</p></body></html>");
    auto b = makeBrowser();
    Events ev(*b);

    // A browser that never loaded anything answers document calls at once.
    EXPECT_EQ(b->ReadyState(), WebBrowser::READYSTATE_UNINITIALIZED);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(b->DocumentHTML(), QString());
    EXPECT_EQ(b->ElementCount("x"), 0);
    EXPECT_LT(clock.elapsed(), 500);

    // BeforeNavigate2 comes from Navigate itself; the control is busy at once.
    b->Navigate(first);
    EXPECT_EQ(ev.beforeNavigate, QStringList{first});
    EXPECT_TRUE(b->Busy());
    EXPECT_EQ(b->ReadyState(), WebBrowser::READYSTATE_LOADING);
    ASSERT_TRUE(waitFor([&] { return !ev.complete.isEmpty(); }));
    EXPECT_EQ(ev.complete, QStringList{first});
    EXPECT_FALSE(b->Busy());
    EXPECT_EQ(b->ReadyState(), WebBrowser::READYSTATE_COMPLETE);
    EXPECT_EQ(b->LocationURL(), first);
    EXPECT_EQ(b->LocationName(), "First page");
    EXPECT_EQ(b->DocumentTitle(), "First page");
    ASSERT_FALSE(ev.progress.isEmpty());
    EXPECT_EQ(ev.progress.last(), -1);
    EXPECT_TRUE(waitFor([&] { return ev.titles.contains("First page"); }));
    EXPECT_TRUE(ev.commands.contains(qMakePair(2, false)));

    // A cancelled navigation loads nothing and leaves the control idle.
    ev.clear();
    ev.cancelIf = [](const QString &) { return true; };
    b->Navigate(second);
    EXPECT_EQ(ev.beforeNavigate, QStringList{second});
    EXPECT_FALSE(b->Busy());
    pump(300);
    EXPECT_TRUE(ev.complete.isEmpty());
    EXPECT_EQ(b->LocationURL(), first);

    // History: back becomes possible after a second page, and works.
    ev.cancelIf = [](const QString &) { return false; };
    ASSERT_TRUE(open(*b, second));
    EXPECT_FALSE(b->LocationName().isEmpty()); // no title: the address stands in
    EXPECT_EQ(b->DocumentTitle(), QString());
    ASSERT_TRUE(waitFor([&] { return ev.commands.contains(qMakePair(2, true)); }));
    ev.clear();
    b->GoBack();
    ASSERT_TRUE(waitFor([&] { return !ev.complete.isEmpty(); }));
    EXPECT_EQ(b->LocationURL(), first);
    EXPECT_TRUE(ev.commands.contains(qMakePair(1, true)));
    b->GoBack(); // nothing earlier: no error, nothing happens
    b->GoForward();
    ASSERT_TRUE(waitFor([&] { return b->LocationURL() == second && !b->Busy(); }));

    // An address without a scheme is read as a web address; empty is about:blank.
    ev.clear();
    ev.cancelIf = [](const QString &) { return true; };
    b->Navigate("www.example.com/x");
    b->Navigate("");
    EXPECT_EQ(ev.beforeNavigate, (QStringList{"http://www.example.com/x", "about:blank"}));
}

TEST(WebBrowserControl, NewWindowsGoWhereTheProgramSays)
{
    Pages pages;
    const QString target = pages.add("target.htm", "<html><head><title>Target</title></head><body>t</body></html>");
    const QString start = pages.add(
        "start.htm", "<html><body><a id=pop target=_blank href=\"target.htm\">new window</a></body></html>");
    auto b = makeBrowser();
    auto other = makeBrowser();
    ASSERT_TRUE(open(*b, start));

    QStringList asked;
    bool cancel = true;
    WebBrowser *chosen = nullptr;
    QObject::connect(b.get(), &WebBrowser::NewWindow2, [&](const QString &url, WebBrowser *&t, bool &c) {
        asked << url;
        t = chosen;
        c = cancel;
    });

    // Cancelled: nothing opens anywhere.
    ASSERT_TRUE(b->Element("pop").click());
    ASSERT_TRUE(waitFor([&] { return asked.size() == 1; }));
    EXPECT_EQ(asked.first(), target);
    pump(300);
    EXPECT_EQ(b->LocationURL(), start);

    // No target chosen: the page opens in this browser.
    cancel = false;
    ASSERT_TRUE(b->Element("pop").click());
    ASSERT_TRUE(waitFor([&] { return b->LocationURL() == target && !b->Busy(); }));

    // Another browser chosen: it opens there, and this one stays.
    ASSERT_TRUE(open(*b, start));
    chosen = other.get();
    b->ExecScript("window.open('target.htm')");
    ASSERT_TRUE(waitFor([&] { return other->LocationURL() == target && !other->Busy(); }));
    EXPECT_EQ(b->LocationURL(), start);
}

TEST(WebBrowserDocument, HtmlInTheOldEnginesForm)
{
    Pages pages;
    const QString url = pages.add(
        "page.htm",
        "<!DOCTYPE html>\n<html><head><title>Item</title></head><body>"
        "<div class=\"iti-lbl u-flR iti-num\" id=\"\">Item number:</div>"
        "<table><tr><td valign=\"top\" width=\"100%\"><b>Page 3</b> of 9</td>"
        "<td bgcolor=\"#ffffff\" colspan=\"2\" nowrap>x</td></tr></table>"
        "<form id=\"SignInForm\" name=\"SignInForm\"><input type=\"checkbox\" checked name=\"c\"></form>"
        "<a href=\"next.htm?a=1&amp;b=2\">Next<img src=\"pic.gif\" alt=\"\"></a>"
        "<p title='say \"hi\"'>a &lt; b&nbsp;c &amp; d</p><br>"
        "<script>var s = \"<b>\" + 1;</script><!-- note -->"
        "</body></html>");
    const QString base = url.left(url.lastIndexOf('/') + 1);
    auto b = makeBrowser();
    ASSERT_TRUE(open(*b, url));

    const QString html = b->DocumentHTML();
    // The marker texts that fetched pages are searched for match here too.
    EXPECT_TRUE(html.startsWith("<HEAD><TITLE>Item</TITLE></HEAD><BODY>")) << html.toStdString();
    EXPECT_TRUE(html.contains("<DIV class=\"iti-lbl u-flR iti-num\" id=\"\">Item number:</DIV>"));
    EXPECT_TRUE(html.contains("<TD vAlign=top width=\"100%\"><B>Page 3</B> of 9</TD>"));
    EXPECT_TRUE(html.contains("<TD bgColor=#ffffff colSpan=2 noWrap>x</TD>"));
    EXPECT_TRUE(html.toLower().contains("<form id=signinform"));
    EXPECT_TRUE(html.toLower().contains("name=signinform"));
    EXPECT_TRUE(html.contains("<INPUT type=checkbox checked name=c></FORM>"));
    EXPECT_TRUE(html.contains("<A href=\"" + base + "next.htm?a=1&amp;b=2\">Next<IMG src=\"" + base
                              + "pic.gif\" alt=\"\"></A>"));
    EXPECT_TRUE(html.toLower().contains("next<img"));
    EXPECT_TRUE(html.contains("<P title=\"say &quot;hi&quot;\">a &lt; b&nbsp;c &amp; d</P><BR>"));
    EXPECT_TRUE(html.contains("<SCRIPT>var s = \"<b>\" + 1;</SCRIPT><!-- note -->"));
    EXPECT_TRUE(html.endsWith("</BODY>"));
    EXPECT_FALSE(html.contains("DOCTYPE"));

    EXPECT_EQ(b->BodyInnerHTML(), html.mid(html.indexOf("<BODY>") + 6).chopped(7));
    EXPECT_EQ(b->DocumentTitle(), "Item");
    EXPECT_TRUE(b->HasBody());
}
