// The browser control: navigation and its events, the document as the old
// engine wrote it, elements by id, written documents with their "tmr:" links,
// forms, and the bounds on every wait. Each TEST starts the web engine once
// (about a second), so related checks share a TEST.
#include "platform/webbrowser.h"
#include "tests/support/msgboxscript.h"

#include "tests/support/waitfor.h"
#include "tests/support/testtext.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWebEngineHistory>

#include <functional>

namespace {

// Runs the work as a handler of the application's event loop, where the
// program's own code runs.
void insideEventLoop(const std::function<void()> &work)
{
    QTimer::singleShot(0, qApp, [&] {
        work();
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
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
    std::function<bool(const QString &)> cancelIf = [](const QString &) { return false; };

    explicit Events(WebBrowser &b)
    {
        QObject::connect(&b, &WebBrowser::BeforeNavigate2, [this](const QString &url, bool &cancel) {
            beforeNavigate << url;
            cancel = cancelIf(url);
        });
        QObject::connect(&b, &WebBrowser::DocumentComplete, [this](const QString &url) { complete << url; });
    }
    void clear()
    {
        beforeNavigate.clear();
        complete.clear();
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

// A right click where a user would make it; the menu the browser then shows,
// or null when none shows within `ms`.
QMenu *rightClick(WebBrowser &b, QPoint at, int ms)
{
    QTest::mouseClick(b.focusProxy(), Qt::RightButton, {}, at);
    QMenu *menu = nullptr;
    waitFor([&] { return (menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) != nullptr; }, ms);
    return menu;
}

} // namespace

TEST(WebBrowserControl, NavigationEventsAndState)
{
    Pages pages;
    const QString first = pages.add("first.htm", "<html><head><title>First page</title></head><body>one</body></html>");
    const QString second = pages.add("second.htm", "<html><body><p id=x>two</p></body></html>");
    auto b = makeBrowser();
    Events ev(*b);

    // Handlers of DocumentComplete read the new page at once (the sign-in and
    // the item bar do), with the program's event loop running; the very first
    // pages of a process are the touchy ones.
    QStringList seen;
    auto reader = QObject::connect(b.get(), &WebBrowser::DocumentComplete, [&](const QString &) {
        seen << b->BodyInnerHTML();
    });
    insideEventLoop([&] {
        for (int i = 0; i < 4; ++i) {
            const int before = seen.size();
            b->Navigate(i % 2 ? first : second);
            waitFor([&] { return seen.size() > before; });
        }
    });
    QObject::disconnect(reader);
    EXPECT_EQ(seen, (QStringList{"<P id=x>two</P>", "one", "<P id=x>two</P>", "one"}));
    EXPECT_EQ(b->ScriptTimeouts(), 0);

    // A browser that never loaded anything answers document calls at once.
    auto fresh = makeBrowser();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(fresh->ReadyState(), WebBrowser::READYSTATE_UNINITIALIZED);
    EXPECT_EQ(fresh->DocumentHTML(), QString());
    EXPECT_EQ(fresh->ElementCount("x"), 0);
    EXPECT_LT(clock.elapsed(), 4000); // no wait for a script time-out
    EXPECT_FALSE(fresh->Busy());
    ev.clear();

    // BeforeNavigate2 comes from Navigate itself; the control is busy at once.
    ASSERT_TRUE(open(*b, "about:blank"));
    ev.clear();
    b->Navigate(first);
    EXPECT_EQ(ev.beforeNavigate, QStringList{first});
    EXPECT_TRUE(b->Busy());
    EXPECT_EQ(b->ReadyState(), WebBrowser::READYSTATE_LOADING);
    ASSERT_TRUE(waitFor([&] { return !ev.complete.isEmpty(); }));
    EXPECT_EQ(ev.complete, QStringList{first});
    EXPECT_FALSE(b->Busy());
    EXPECT_EQ(b->ReadyState(), WebBrowser::READYSTATE_COMPLETE);
    EXPECT_EQ(b->LocationURL(), first);
    EXPECT_EQ(b->DocumentTitle(), "First page");

    // A cancelled navigation loads nothing and leaves the control idle.
    ev.clear();
    ev.cancelIf = [](const QString &) { return true; };
    b->Navigate(second);
    EXPECT_EQ(ev.beforeNavigate, QStringList{second});
    EXPECT_FALSE(b->Busy());
    pump(300);
    EXPECT_TRUE(ev.complete.isEmpty());
    EXPECT_EQ(b->LocationURL(), first);

    // An address without a scheme is read as a web address; empty is about:blank.
    ev.clear();
    b->Navigate("www.example.com/x");
    b->Navigate("");
    EXPECT_EQ(ev.beforeNavigate, (QStringList{"http://www.example.com/x", "about:blank"}));
}

TEST(WebBrowserDocument, HtmlInThePageReadersForm)
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

TEST(WebBrowserDocument, ElementsByIdAndTheirProperties)
{
    Pages pages;
    const QString url = pages.add(
        "rows.htm",
        "<html><body style=\"margin:0\"><table cellspacing=0 cellpadding=0>"
        "<tr><td id=TitleCell style=\"height:40px\"><span id=itemTitle>first</span></td>"
        "<td><a id=lnkEdit href=\"#\"><img id=itempic src=\"a.gif\"></a></td></tr>"
        "<tr><td id=titlecell style=\"height:40px\"><span ID=ITEMTITLE>second</span></td>"
        "<td><a id=lnkEdit href=\"#\"><img id=itempic src=\"b.gif\"></a></td></tr>"
        "</table><span style=\"visibility: hidden\" ID=\"itemtitle\">spare</span>"
        "<p id=timeleft>\n   Ended \r\n</p><input id=username value=old></body></html>");
    auto b = makeBrowser();
    ASSERT_TRUE(open(*b, url));

    // One id, any letter case, all its elements in document order.
    EXPECT_EQ(b->ElementCount("itemtitle"), 3);
    EXPECT_EQ(b->ElementCount("ItemTitle"), 3);
    EXPECT_EQ(b->Element("itemtitle", 0).innerText(), "first");
    EXPECT_EQ(b->Element("ITEMTITLE", 1).innerText(), "second");
    // All of one id's texts in one call; text shows as on screen (white space
    // as one blank), also in the hidden last element.
    EXPECT_EQ(b->ElementTexts("ITEMtitle"), (QStringList{"first", "second", "spare"}));
    EXPECT_EQ(b->Element("timeleft").innerText(), "Ended");

    // Beyond the collection, or an unknown id: neutral answers, dropped writes.
    const HtmlElement missing = b->Element("itemtitle", 3);
    EXPECT_FALSE(missing.exists());
    EXPECT_EQ(missing.innerText(), QString());
    EXPECT_EQ(missing.offsetTop(), 0);
    missing.setInnerText("lost");
    EXPECT_FALSE(b->Element("nosuchid").click());
    EXPECT_EQ(b->ElementCount("nosuchid"), 0);

    // Writes queue up and reach the page, in order, before the next read;
    // whatever the text holds, it arrives as text.
    const HtmlElement second = b->Element("itemtitle", 1);
    const QString awkward = "<b>Tom's \"big\" \\ sale</b>\n');alert(1);// \u00e9 \u2603";
    second.setInnerText("x");
    second.setInnerText(awkward);
    EXPECT_EQ(second.innerText(), awkward);
    EXPECT_EQ(second.innerHTML(), "&lt;b&gt;Tom's \"big\" \\ sale&lt;/b&gt;<BR>');alert(1);// \u00e9 \u2603");
    second.setTitle("tip \"1\"");
    EXPECT_EQ(second.title(), "tip \"1\"");
    second.setInnerHTML("<i>it</i>");
    EXPECT_EQ(second.innerHTML(), "<I>it</I>");

    // The grey filter and back.
    const HtmlElement edit = b->Element("lnkedit", 1);
    edit.setFilter("Gray()");
    EXPECT_EQ(edit.filter(), "Gray()");
    EXPECT_TRUE(edit.styleText().contains("grayscale(1")) << edit.styleText().toStdString();
    edit.setFilter("");
    EXPECT_EQ(edit.filter(), QString());
    EXPECT_FALSE(edit.styleText().contains("grayscale"));

    // Offsets: the second row's cell sits one row (40 px) lower.
    const int top0 = b->Element("titlecell", 0).pageTop();
    EXPECT_EQ(b->Element("titlecell", 1).pageTop() - top0, 40);
    EXPECT_EQ(b->Element("titlecell", 1).offsetHeight(), 40);
    EXPECT_GE(b->Element("titlecell", 1).offsetTop(), 40);
    EXPECT_EQ(b->Element("titlecell", 0).offsetLeft(), 0);

    // Field values.
    b->Element("username").setValue("buyer \"one\"");
    EXPECT_EQ(b->Element("USERNAME").value(), "buyer \"one\"");

    // Elements added by the page's own script are found too.
    b->ExecScript("var s = document.createElement('span'); s.id = 'ItemTitle'; s.textContent = 'late';"
                  "document.body.insertBefore(s, document.body.firstChild);");
    EXPECT_EQ(b->ElementCount("itemtitle"), 4);
    EXPECT_EQ(b->Element("itemtitle", 0).innerText(), "late");
}

TEST(WebBrowserDocument, FormsScrollingAndScripts)
{
    Pages pages;
    const QString done = pages.add("done.htm", "<html><body>sent</body></html>");
    const QString url = pages.add(
        "form.htm",
        "<html><body><form action=\"other.htm\"><input name=q></form>"
        "<form name=\"SignInForm\" action=\"done.htm\" method=get onsubmit=\"return false\">"
        "<input name=userid><input type=password name=pass><input type=submit name=submit value=Go></form>"
        "<div style=\"height:3000px\">tall</div><script>var pageValue = 41;</script></body></html>");
    auto b = makeBrowser();
    Events ev(*b);
    ASSERT_TRUE(open(*b, url));

    EXPECT_EQ(b->FormCount(), 2);
    EXPECT_TRUE(b->SetFormField(1, "userid", "me & you"));
    EXPECT_TRUE(b->SetFormField("signinform", "PASS", "p\"w"));
    EXPECT_FALSE(b->SetFormField("SignInForm", "nofield", "x"));
    EXPECT_FALSE(b->SetFormField(5, "userid", "x"));
    EXPECT_FALSE(b->SubmitForm("noform"));
    b->ScrollBy(0, 25);
    EXPECT_EQ(b->BodyScrollTop(), 25);
    EXPECT_EQ(b->ExecScript("pageValue + 1").toInt(), 42); // the page's own script world

    // The form is sent without its onsubmit, although a field is named
    // "submit"; the navigation is announced first, from inside the engine.
    ev.clear();
    QString readInHandler = "unset";
    qint64 handlerMs = -1;
    auto c = QObject::connect(b.get(), &WebBrowser::BeforeNavigate2, [&](const QString &, bool &) {
        QElapsedTimer t;
        t.start();
        readInHandler = b->Element("userid").value();
        handlerMs = t.elapsed();
    });
    ASSERT_TRUE(b->SubmitForm("SignInForm"));
    ASSERT_TRUE(waitFor([&] { return !ev.complete.isEmpty(); }));
    ASSERT_EQ(ev.beforeNavigate.size(), 1);
    EXPECT_EQ(ev.beforeNavigate.first(), done + "?userid=me+%26+you&pass=p%22w");
    QObject::disconnect(c);
    // Inside the engine's own call the page cannot answer: no wait, no value.
    EXPECT_EQ(readInHandler, QString());
    EXPECT_LT(handlerMs, 2000);
    EXPECT_TRUE(b->LocationURL().startsWith(done));
}

TEST(WebBrowserWriting, PiecesLinksAndTheHostPage)
{
    auto b = makeBrowser();
    Events ev(*b);
    // As the list does: only about:blank may load, everything else is a command.
    ev.cancelIf = [](const QString &url) { return url != "about:blank"; };
    ASSERT_TRUE(open(*b, "about:blank"));
    ev.clear();

    // Pieces that only make sense together, as the list's template writes them.
    b->DocumentClear();
    b->DocumentOpen();
    b->DocumentWrite("<html><head><title>List</title></head><body><table id=list>");
    for (int i = 1; i <= 3; ++i)
        b->DocumentWrite(QString("<tr><td id=titlecell><a id=lnkEdit href=\"tmr:///edit=%1\">"
                                 "<span id=itemtitle>Item %1</span></a><img id=itempic src=\"nopic.gif\"></td></tr>")
                             .arg(i));
    b->DocumentWrite("</table><span style=\"visibility: hidden\" ID=\"itemtitle\"></span>");

    // Loading the host page is nobody's business: no events, no cancel.
    EXPECT_TRUE(ev.beforeNavigate.isEmpty());
    EXPECT_EQ(b->ElementCount("itemtitle"), 4);
    EXPECT_EQ(b->Element("itemtitle", 2).innerText(), "Item 3");
    EXPECT_EQ(b->DocumentTitle(), "List");
    const QString folder = QCoreApplication::applicationDirPath();
    const QString host = QUrl::fromLocalFile(folder + "/blank.htm").toString();
    EXPECT_EQ(b->LocationURL(), host);
    EXPECT_EQ(b->DocumentHostFile(), folder + "/blank.htm");

    // The document is still open: later pieces continue it.
    b->DocumentWrite("<p id=more>more</p></body></html>");
    EXPECT_EQ(b->Element("more").innerText(), "more");
    EXPECT_EQ(b->ElementCount("itemtitle"), 4);

    // Clicking a row's link asks the program, which may read the page in the
    // handler (the notes link does) and cancel.
    ev.clear();
    QString readInHandler;
    int scrollInHandler = -1;
    auto c = QObject::connect(b.get(), &WebBrowser::BeforeNavigate2, [&](const QString &url, bool &) {
        if (url.startsWith("tmr:")) {
            readInHandler = b->Element("itemtitle", 1).innerText();
            scrollInHandler = b->BodyScrollTop();
        }
    });
    ASSERT_TRUE(b->Element("lnkedit", 1).click());
    ASSERT_TRUE(waitFor([&] { return !ev.beforeNavigate.isEmpty(); }));
    QObject::disconnect(c);
    EXPECT_EQ(ev.beforeNavigate, QStringList{"tmr:///edit=2"});
    EXPECT_EQ(readInHandler, "Item 2");
    EXPECT_EQ(scrollInHandler, 0);
    pump(300);
    EXPECT_TRUE(ev.complete.isEmpty());
    EXPECT_FALSE(b->Busy());
    EXPECT_EQ(b->ReadyState(), WebBrowser::READYSTATE_COMPLETE);
    EXPECT_EQ(b->LocationURL(), host);
    EXPECT_EQ(b->ElementCount("itemtitle"), 4);

    // The click ended the writing: the next piece starts a new document.
    b->DocumentWrite("<p id=after>after</p>");
    EXPECT_EQ(b->Element("after").innerText(), "after");
    EXPECT_EQ(b->ElementCount("itemtitle"), 0);

    // A new document in the same host page replaces the old one.
    b->DocumentOpen();
    b->DocumentWrite("<html><body><table>");
    for (int i = 1; i <= 5; ++i)
        b->DocumentWrite(QString("<tr><td><a id=lnkRemove href=\"tmr:///remove=%1\">remove</a></td></tr>").arg(i));
    b->DocumentWrite("</table></body></html>");
    EXPECT_EQ(b->ElementCount("lnkremove"), 5);
    EXPECT_EQ(b->ElementCount("after"), 0);
    b->DocumentClose();

    // A link the handler lets through is followed.
    ev.clear();
    ev.cancelIf = [](const QString &) { return false; };
    Pages pages;
    const QString next = pages.add("next.htm", "<html><body>next</body></html>");
    b->Element("lnkremove", 4).setHref(next);
    ASSERT_TRUE(b->Element("lnkremove", 4).click());
    ASSERT_TRUE(waitFor([&] { return !ev.complete.isEmpty(); }));
    EXPECT_EQ(ev.beforeNavigate, QStringList{next});
    EXPECT_EQ(ev.complete, QStringList{next});

    // Writing again brings the host page back, still without events.
    ev.clear();
    b->DocumentWrite("<p id=again>again</p>");
    EXPECT_EQ(b->Element("again").innerText(), "again");
    EXPECT_EQ(b->LocationURL(), host);
    EXPECT_TRUE(ev.beforeNavigate.isEmpty());
    EXPECT_TRUE(ev.complete.isEmpty());

    // DocumentClear drops what was not written yet.
    b->DocumentOpen();
    b->DocumentWrite("<p id=dropped>x</p>");
    b->DocumentClear();
    b->DocumentWrite("<p id=kept>y</p>");
    EXPECT_EQ(b->ElementCount("dropped"), 0);
    EXPECT_EQ(b->ElementCount("kept"), 1);
}

TEST(WebBrowserWriting, AWholeDocumentInPlaceOfThePage)
{
    auto b = makeBrowser();
    Events ev(*b);
    Pages pages;
    ASSERT_TRUE(open(*b, pages.add("other.htm", "<html><body><p id=other>other</p></body></html>")));
    ev.clear();
    ev.cancelIf = [](const QString &url) { return url != "about:blank"; };

    // From another page: the host page comes back, without events, and a
    // document still being written is dropped whole.
    const QString list = "<html><head><title>List</title></head><body><div id=list>"
                         "<a id=lnkEdit href=\"tmr:///edit=1\"><span id=itemtitle>Item 1</span></a>"
                         "<img id=itempic src=\"nopic.gif\"></div></body></html>";
    // The new page's ids come back with it.
    const WebBrowser::PageIds ids = b->DocumentReplace(list, {"itemTitle"});
    EXPECT_TRUE(ids.ok);
    EXPECT_EQ(ids.counts.value("lnkedit"), 1);
    EXPECT_EQ(ids.counts.value("other"), 0);
    EXPECT_EQ(ids.texts.value("itemTitle"), QStringList{"Item 1"});
    EXPECT_TRUE(ev.beforeNavigate.isEmpty());
    EXPECT_EQ(b->LocationURL(), QUrl::fromLocalFile(b->DocumentHostFile()).toString());
    EXPECT_EQ(b->DocumentTitle(), "List");
    EXPECT_EQ(b->ElementCount("other"), 0);
    EXPECT_EQ(b->Element("itemtitle").innerText(), "Item 1");
    EXPECT_EQ(b->Element("itempic").src(), QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/nopic.gif").toString());
    b->DocumentOpen();
    b->DocumentWrite("<p id=unfinished>");
    b->DocumentReplace(list);
    EXPECT_EQ(b->ElementCount("unfinished"), 0);
    EXPECT_EQ(b->ElementCount("itemtitle"), 1);

    // Its links ask the program as written ones do.
    ASSERT_TRUE(b->Element("lnkedit").click());
    ASSERT_TRUE(waitFor([&] { return !ev.beforeNavigate.isEmpty(); }));
    EXPECT_EQ(ev.beforeNavigate, QStringList{"tmr:///edit=1"});

    // The document is closed: the next piece starts a new one.
    b->DocumentWrite("<p id=after>after</p>");
    EXPECT_EQ(b->ElementCount("itemtitle"), 0);
    EXPECT_EQ(b->ElementCount("after"), 1);

    // Scripts still run, and a doctype still decides the page's mode.
    const WebBrowser::PageIds written =
        b->DocumentReplace("<html><body><script>document.write('<p id=byscript>s</p>')</script></body></html>",
                           {"byscript"});
    EXPECT_EQ(written.texts.value("byscript"), QStringList{"s"});
    EXPECT_EQ(b->ElementCount("byscript"), 1);
    EXPECT_EQ(b->ExecScript("document.compatMode").toString(), "BackCompat");
    b->DocumentReplace("<!DOCTYPE html><html><body><p id=strict>s</p></body></html>");
    EXPECT_EQ(b->ElementCount("strict"), 1);
    EXPECT_EQ(b->ExecScript("document.compatMode").toString(), "CSS1Compat");
    b->DocumentReplace(list);
    EXPECT_EQ(b->ExecScript("document.compatMode").toString(), "BackCompat");
    EXPECT_EQ(b->ElementCount("itemtitle"), 1);
}

TEST(WebBrowserScripts, WaitsAreBoundedAndDialogsNeverBlock)
{
    Pages pages;
    const QString url = pages.add("p.htm", "<html><body><p id=x>text</p></body></html>");
    auto b = makeBrowser();
    ASSERT_TRUE(open(*b, url));

    // A page that does not answer in time gives an empty answer, not a hang.
    b->ScriptTimeout = 300;
    QElapsedTimer clock;
    clock.start();
    const QVariant stuck = b->ExecScript("var t = Date.now(); while (Date.now() - t < 4000) {} 'late'");
    EXPECT_FALSE(stuck.isValid());
    EXPECT_LT(clock.elapsed(), 3500); // not held until the script's end
    EXPECT_EQ(b->ScriptTimeouts(), 1);
    clock.restart();
    EXPECT_EQ(b->Element("x").innerText(), QString()); // still busy
    EXPECT_LT(clock.elapsed(), 3500);
    EXPECT_EQ(b->ScriptTimeouts(), 2);

    // Once the page is free again answers are right; late ones are dropped.
    b->ScriptTimeout = 15000;
    pump(1200);
    EXPECT_EQ(b->Element("x").innerText(), "text");
    EXPECT_EQ(b->ExecScript("1 + 1").toInt(), 2);

    // Dialogs: silent drops them; otherwise they are message boxes.
    MsgBoxScript::instance().clear();
    b->Silent = true;
    EXPECT_TRUE(b->ExecScript("alert('quiet'); confirm('sure?')").toBool());
    EXPECT_TRUE(MsgBoxScript::instance().calls().isEmpty());
    b->Silent = false;
    MsgBoxScript::instance().answer(Desktop::AnswerOK);
    MsgBoxScript::instance().answer(Desktop::AnswerCancel);
    EXPECT_FALSE(b->ExecScript("alert('loud'); confirm('sure?')").toBool());
    ASSERT_EQ(MsgBoxScript::instance().calls().size(), 2);
    EXPECT_EQ(MsgBoxScript::instance().calls().at(0).prompt, "loud");
    EXPECT_EQ(MsgBoxScript::instance().calls().at(1).prompt, "sure?");
    EXPECT_EQ(b->ExecScript("prompt('name?', 'x')").toString(), QString());
}

// A browser that keeps its one page (the HTML list) cannot be taken back or
// forward: not from its menu, the mouse's buttons, the keyboard or a script.
// The eBay browser keeps the engine's menu and the mouse's back button.
TEST(WebBrowserControl, HistoryNavigationOffKeepsThePage)
{
    Pages pages;
    const QString first = pages.add("first.htm", "<html><body><p id=t>first page</p></body></html>");
    // The page notes every key (but the modifiers) and mouse button that
    // reaches it.
    const QString second = pages.add(
        "second.htm", "<html><body style=\"height: 2000px\"><p id=t>second page</p><script>window.seen = [];"
                      "['keydown', 'mousedown', 'mouseup'].forEach(function (type) {"
                      "  addEventListener(type, function (e) {"
                      "    if (!/^(Alt|Shift|Control|Meta)$/.test(e.key)) seen.push(type + ' ' + (e.key || e.button));"
                      "  }, true);"
                      "});</script></body></html>");
    auto b = makeBrowser();
    b->activateWindow();
    b->setFocus();
    Events ev(*b);
    ASSERT_TRUE(open(*b, first));
    ASSERT_TRUE(open(*b, second));
    const QPoint blank(400, 300);

    // On: the menu offers Back, and the mouse's back button goes back.
    QMenu *menu = rightClick(*b, blank, 10000);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->actions().contains(b->pageAction(QWebEnginePage::Back)));
    menu->close();
    QTest::mouseClick(b->focusProxy(), Qt::BackButton, {}, blank);
    ASSERT_TRUE(waitFor([&] { return b->LocationURL() == first && !b->Busy(); }));
    b->GoForward();
    ASSERT_TRUE(waitFor([&] { return b->LocationURL() == second && b->Element("t").innerText() == "second page"; }));

    // Off: the history is still there (until a load ends), but nothing walks it.
    b->SetHistoryNavigation(false);
    ASSERT_TRUE(b->history()->canGoBack());
    b->ExecScript("seen = []");
    ev.clear();
    QWidget *input = b->focusProxy();
    QTest::mouseClick(input, Qt::BackButton, {}, blank);
    QTest::mouseClick(input, Qt::ForwardButton, {}, blank);
    QTest::keyClick(input, Qt::Key_Left, Qt::AltModifier);
    QTest::keyClick(input, Qt::Key_Right, Qt::AltModifier);
    QTest::keyClick(input, Qt::Key_Backspace);
    QTest::keyClick(input, Qt::Key_Backspace, Qt::ShiftModifier);
    QTest::keyClick(input, Qt::Key_Back);
    b->GoBack();
    b->triggerPageAction(QWebEnginePage::Back);
    b->ExecScript("history.back()");
    pump(1000);
    EXPECT_EQ(b->LocationURL(), second);
    EXPECT_EQ(b->Element("t").innerText(), "second page");
    EXPECT_TRUE(ev.beforeNavigate.isEmpty()) << ev.beforeNavigate.join(' ').toStdString();
    EXPECT_TRUE(ev.complete.isEmpty());
    // None of those keys and buttons reached the page; others still do.
    QTest::keyClick(input, Qt::Key_A);
    QTest::mouseClick(input, Qt::LeftButton, {}, blank);
    ASSERT_TRUE(waitFor([&] { return b->ExecScript("seen.join()").toString() == "keydown a,mousedown 0,mouseup 0"; }, 30000))
        << b->ExecScript("seen.join()").toString().toStdString();

    // The menu keeps only copying: none on blank space, Copy on a selection.
    EXPECT_EQ(rightClick(*b, blank, 1500), nullptr);
    b->ExecScript("getSelection().selectAllChildren(document.getElementById('t'))");
    menu = rightClick(*b, QPoint(b->Element("t").pageLeft() + 5, b->Element("t").pageTop() + 5), 10000);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->actions().contains(b->pageAction(QWebEnginePage::Copy)));
    for (QWebEnginePage::WebAction a : {QWebEnginePage::Back, QWebEnginePage::Forward, QWebEnginePage::Reload,
                                        QWebEnginePage::SavePage, QWebEnginePage::ViewSource})
        EXPECT_FALSE(menu->actions().contains(b->pageAction(a))) << a;
    menu->close();
    EXPECT_EQ(b->LocationURL(), second);

    // The next load that ends cuts the history to the page shown.
    ASSERT_TRUE(open(*b, first));
    EXPECT_FALSE(b->history()->canGoBack());
    EXPECT_FALSE(b->history()->canGoForward());
}
