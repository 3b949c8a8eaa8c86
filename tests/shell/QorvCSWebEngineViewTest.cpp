#include "QorvCSWebEngineView.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QWebEngineScript>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int loadLimit = 120000; // ms; the engine's first start is slow on a loaded machine

// Refuses every link and remembers it.
class RecordingDelegate : public QorvCSWebViewDelegate {
public:
    void webViewDidFinishLoad(QorvCSWebView&) override { ++finishedLoads; }
    QorvCSNavigationPolicy decidePolicyForNavigation(
        QorvCSWebView&, const std::string& url, const std::string& path) override
    {
        navigations.emplace_back(url, path);
        return QorvCSNavigationPolicy::Ignore;
    }
    int finishedLoads = 0;
    std::vector<std::pair<std::string, std::string>> navigations;
};

// A report well over the 2 MB that the engine's setHtml() accepts, tall enough to scroll, with non-ASCII text.
std::string largeReport()
{
    std::string html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Ünïcode ✓</title></head><body>"
                       "<a id=\"link\" href=\"http://127.0.0.1:9/guide/battery.html\">guide</a>";
    const std::string row = "<p>Cycle Count — " + std::string(200, 'x') + "</p>\n";
    while (html.size() < 3 * 1024 * 1024)
        html += row;
    html += "<p id=\"last\">end</p></body></html>";
    return html;
}

// Runs in the application's own world, apart from the page's scripts.
QVariant evaluate(QorvCSWebEngineView& view, const QString& script)
{
    QVariant result;
    bool done = false;
    view.page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 30000)) << script.toStdString();
    return result;
}

// A shown view and what it says of its loads and patches.
struct PatchedView {
    explicit PatchedView(const QString& name)
        : view(name)
    {
        view.resize(800, 600);
        view.show();
    }
    QorvCSWebEngineView view;
    QSignalSpy loaded { &view, &QorvCSWebEngineView::reportLoaded };
    QSignalSpy patched { &view, &QorvCSWebEngineView::reportPatched };
    QSignalSpy settled { &view, &QorvCSWebEngineView::chartsSettled };
};

} // namespace

TEST(QorvCSWebEngineView, LoadsALargeReportAndTracksItsScrollPosition)
{
    QorvCSWebEngineView view(QStringLiteral("test-large"));
    RecordingDelegate delegate;
    view.setDelegate(&delegate);
    view.resize(800, 600);
    view.show();
    EXPECT_FALSE(view.scrollPosition().has_value()) << "nothing shown yet";

    QSignalSpy loaded(&view, &QorvCSWebEngineView::reportLoaded);
    const std::string html = largeReport();
    view.loadHTMLString(html);
    ASSERT_TRUE(loaded.wait(loadLimit));
    EXPECT_TRUE(loaded.at(0).at(0).toBool());
    EXPECT_EQ(delegate.finishedLoads, 1);
    EXPECT_TRUE(delegate.navigations.empty()) << "the application's own load is not a link";
    EXPECT_EQ(view.url().scheme(), QStringLiteral("cellsheet"));
    EXPECT_FALSE(view.url().path().endsWith(QStringLiteral("html")));

    EXPECT_EQ(evaluate(view, QStringLiteral("document.title")).toString(), QStringLiteral("Ünïcode ✓"))
        << "served as UTF-8";
    EXPECT_EQ(evaluate(view, QStringLiteral("document.getElementById('last') !== null")).toBool(), true)
        << "the whole document arrived";
    ASSERT_TRUE(view.scrollPosition().has_value());
    EXPECT_EQ(*view.scrollPosition(), (QorvCSWebView::Point { 0, 0 }));

    evaluate(view, QStringLiteral("window.scrollTo(0, 1500); true"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.scrollPosition()->y == 1500; }, 30000))
        << "reported " << view.scrollPosition()->y;

    view.scrollToPoint({ 0, 700 });
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return evaluate(view, QStringLiteral("window.scrollY")).toDouble() == 700; }, 30000));
    EXPECT_EQ(*view.scrollPosition(), (QorvCSWebView::Point { 0, 700 }));

    // A link goes to the delegate, which refuses it: the report stays.
    const QUrl reportURL = view.url();
    evaluate(view, QStringLiteral("document.getElementById('link').click(); true"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !delegate.navigations.empty(); }, 30000));
    ASSERT_EQ(delegate.navigations.size(), 1u);
    EXPECT_EQ(delegate.navigations[0].first, "http://127.0.0.1:9/guide/battery.html");
    EXPECT_EQ(delegate.navigations[0].second, "/guide/battery.html");
    QTest::qWait(100);
    EXPECT_EQ(view.url(), reportURL);
}

TEST(QorvCSWebEngineView, EachLoadGetsAFreshAddressAndItsOwnDocumentInTheSameRenderer)
{
    QorvCSWebEngineView view(QStringLiteral("test-reload"));
    QSignalSpy loaded(&view, &QorvCSWebEngineView::reportLoaded);
    view.loadHTMLString("<html><body><p id=\"v\">first</p></body></html>");
    ASSERT_TRUE(loaded.wait(loadLimit));
    const QUrl first = view.url();
    const qint64 renderer = view.page()->renderProcessPid();
    view.loadHTMLString("<html><body><p id=\"v\">second</p></body></html>");
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.count() == 2; }, loadLimit));
    EXPECT_NE(view.url(), first);
    // Starting a process per document made every full update take seconds on a busy machine.
    EXPECT_EQ(view.page()->renderProcessPid(), renderer) << "a new document starts no renderer process";
    EXPECT_EQ(evaluate(view, QStringLiteral("document.getElementById('v').textContent")).toString(),
        QStringLiteral("second"));
    EXPECT_EQ(view.loadCount(), 2);
}

// A template is web content from whoever sent the resource folder: its frames, images and scripts may name any
// address, but only a link the user follows leaves the report, through the link policy, from any frame.
TEST(QorvCSWebEngineView, TheReportsPagesReachNeitherTheNetworkNorLocalFiles)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    int requests = 0;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            ++requests;
            socket->close();
        }
    });
    const QString remote = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
    const std::string image = (std::filesystem::temp_directory_path() / "cellsheet-view-local.svg").string();
    {
        std::ofstream(image) << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\"/>";
    }
    const QString html = QStringLiteral(
        "<html><head><link rel=\"stylesheet\" href=\"%1/style.css\"><meta http-equiv=\"refresh\" "
        "content=\"0; url=%1/refresh.html\"></head><body>"
        "<iframe id=\"remote\" src=\"%1/frame.html\"></iframe>"
        "<iframe id=\"inline\" srcdoc=\"<a id='link' href='http://127.0.0.1:9/guide/battery.html'>guide</a>\"></iframe>"
        "<img id=\"net\" src=\"%1/image.png\"><img id=\"local\" src=\"file://%2\">"
        "<script>fetch('%1/script');</script></body></html>")
                             .arg(remote, QString::fromStdString(image));

    QorvCSWebEngineView view(QStringLiteral("test-policy"));
    RecordingDelegate delegate;
    view.setDelegate(&delegate);
    QSignalSpy loaded(&view, &QorvCSWebEngineView::reportLoaded);
    view.loadHTMLString(html.toStdString());
    ASSERT_TRUE(loaded.wait(loadLimit));
    const QUrl reportURL = view.url();
    QTest::qWait(500);
    EXPECT_EQ(requests, 0) << "nothing fetched from the network";
    EXPECT_TRUE(delegate.navigations.empty()) << "a page's own navigation opens nothing";
    EXPECT_EQ(view.url(), reportURL);
    EXPECT_EQ(evaluate(view, QStringLiteral("document.getElementById('local').naturalWidth")).toInt(), 0)
        << "no local file read";

    // The user's click on a link inside a frame meets the same policy as one in the report itself.
    evaluate(
        view, QStringLiteral("document.getElementById('inline').contentDocument.getElementById('link').click(); true"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !delegate.navigations.empty(); }, 30000));
    ASSERT_EQ(delegate.navigations.size(), 1u);
    EXPECT_EQ(delegate.navigations[0].first, "http://127.0.0.1:9/guide/battery.html");
    QTest::qWait(200);
    EXPECT_EQ(evaluate(view,
                  QStringLiteral("document.getElementById('inline').contentDocument.getElementById('link') "
                                 "!== null"))
                  .toBool(),
        true)
        << "the frame stayed where it was";
    EXPECT_EQ(requests, 0);
    std::filesystem::remove(image);
}

// A section arriving above the one being read (the inventory, say) must not move the reader: the place is kept by
// the heading at the top of the view, not by a distance from the document's start.
TEST(QorvCSWebEngineView, TheReadersPlaceFollowsTheHeadingAtTheTopOfTheView)
{
    auto report = [](int inventoryRows) {
        std::string html = "<html><body><h1>Computer</h1>";
        for (int i = 0; i < inventoryRows; ++i)
            html += "<p>inventory row</p>";
        html += "<h1>Power Sources</h1>";
        for (int i = 0; i < 200; ++i)
            html += "<p>battery row</p>";
        return html + "</body></html>";
    };
    QorvCSWebEngineView view(QStringLiteral("test-anchor"));
    view.resize(800, 600);
    view.show();
    QSignalSpy loaded(&view, &QorvCSWebEngineView::reportLoaded);
    view.loadHTMLString(report(1));
    ASSERT_TRUE(loaded.wait(loadLimit));
    const QString headingTop = QStringLiteral("document.getElementsByTagName('h1')[1].getBoundingClientRect().top");
    evaluate(view, QStringLiteral("window.scrollTo(0, %1 + window.scrollY + 50); true").arg(headingTop));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.scrollPosition()->y > 0; }, 30000));

    // What the window controller does around a re-render.
    const QorvCSWebView::Point before = *view.scrollPosition();
    view.loadHTMLString(report(100));
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.count() == 2; }, loadLimit));
    view.scrollToPoint(before);
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(evaluate(view, headingTop).toDouble() + 50) < 1.5; }, 30000))
        << "the heading is at " << evaluate(view, headingTop).toDouble();
}

TEST(QorvCSWebEngineView, ANewReadingIsPatchedInPlaceChartsTooAndADocumentItDoesNotFitIsLoaded)
{
    PatchedView patchedView(QStringLiteral("test-patch"));
    auto& [view, loaded, patched, settled] = patchedView;
    QSignalSpy started(&view, &QWebEngineView::loadStarted);
    auto page = [](const std::string& reading, const std::string& extra = "") {
        std::string html = "<html><head><script>document.addEventListener('DOMContentLoaded', function () {"
                           " document.querySelectorAll('caption').forEach(function (c) { c.hidden = true; }); });"
                           "</script></head><body><h1>Battery</h1>";
        for (int section = 0; section < 40; ++section)
            html += "<h2>Section</h2><table><caption>Section</caption><tr><th>Voltage</th><td id=\"v"
                + std::to_string(section) + "\">" + (section == 39 ? reading : "1 V") + "</td></tr></table>"
                + std::string(2000, ' ') + "<p>" + std::string(300, 'x') + "</p>"
                + (section == 20 ? "<figure><svg viewBox=\"0 0 10 10\"><text id=\"chart\">" + reading
                            + "</text></svg><figcaption>Charge</figcaption></figure>"
                                 : "");
        return html + extra + "</body></html>";
    };
    const std::string first = page("12.1 V");
    view.loadHTMLString(first);
    ASSERT_TRUE(loaded.wait(loadLimit));
    evaluate(view, QStringLiteral("window.scrollTo(0, 2000); true"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.scrollPosition()->y == 2000; }, 30000));
    const int startedBefore = int(started.count());

    const std::string second = page("12.4 V");
    auto changes = QorvCSReportTableChanges::between(first, second);
    ASSERT_TRUE(changes);
    view.replaceTables(*changes, second);
    ASSERT_TRUE(patched.wait(30000));
    EXPECT_EQ(evaluate(view, QStringLiteral("document.getElementById('v39').textContent")).toString(),
        QStringLiteral("12.4 V"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return settled.count() == 1; }, 30000));
    EXPECT_EQ(evaluate(view, QStringLiteral("document.getElementById('chart').textContent")).toString(),
        QStringLiteral("12.4 V"))
        << "the chart is patched after the table";
    EXPECT_EQ(evaluate(view, QStringLiteral("document.querySelectorAll('caption:not([hidden])').length")).toInt(), 0)
        << "the page's own start-up handlers saw the new table";
    EXPECT_EQ(evaluate(view, QStringLiteral("window.scrollY")).toInt(), 2000) << "the reader stays in place";
    EXPECT_EQ(started.count(), startedBefore) << "no load";
    EXPECT_EQ(view.loadCount(), 1);
    EXPECT_EQ(view.patchCount(), 1);

    // A patch the shown page does not fit (here, one table more than it has) loads the new document whole.
    const std::string third = page("12.5 V", "<table><tr><td>new</td></tr></table>");
    changes->tableCount = 42;
    view.replaceTables(*changes, third);
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.count() == 2; }, loadLimit));
    EXPECT_EQ(evaluate(view, QStringLiteral("document.getElementById('v39').textContent")).toString(),
        QStringLiteral("12.5 V"));
    EXPECT_EQ(view.patchCount(), 1);
}

TEST(QorvCSWebEngineView, ChartsFollowTheReadingAndEndAsAFreshLoadWouldShowThemWhateverComesMeanwhile)
{
    PatchedView patchedView(QStringLiteral("test-charts"));
    auto& [view, loaded, patched, settled] = patchedView;
    // 30 sections of a reading and a chart of 25 kB, more than one step of charts; the charts' texts per section.
    auto page = [](const std::string& reading, const std::vector<std::string>& charts) {
        std::string html = "<html><body>";
        for (size_t section = 0; section < charts.size(); ++section)
            html += "<h2>Section</h2><table><tr><th>Voltage</th><td>" + reading + "</td></tr></table><figure><svg>"
                + std::string(25000, ' ') + "<text>" + charts[section] + "</text></svg></figure>";
        return html + "</body></html>";
    };
    const std::vector<std::string> drawn(30, "10:00");
    std::vector<std::string> moved(30, "10:01"), movedAgain = moved;
    movedAgain[3] = movedAgain[27] = "10:02";
    const std::string first = page("12.1 V", drawn), second = page("12.2 V", moved), third = page("12.3 V", movedAgain);
    view.loadHTMLString(first);
    ASSERT_TRUE(loaded.wait(loadLimit));
    const QString scrollToChart20
        = QStringLiteral("window.scrollTo(0, document.getElementsByTagName('figure')[20].offsetTop); true");
    evaluate(view, scrollToChart20);

    // The next reading moves every chart; the one after it comes before they are all in and moves two again.
    const auto toSecond = QorvCSReportTableChanges::between(first, second);
    const auto toThird = QorvCSReportTableChanges::between(second, third);
    ASSERT_TRUE(toSecond && toThird);
    ASSERT_EQ(toThird->replacements.size(), 30 + 2);
    view.replaceTables(*toSecond, second);
    view.replaceTables(*toThird, third);
    ASSERT_TRUE(QTest::qWaitFor([&] { return patched.count() == 2; }, 30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return settled.count() == 1; }, 30000));
    EXPECT_EQ(view.loadCount(), 1) << "no load";
    const QString shown = QStringLiteral("document.body.innerHTML");
    const QString patchedPage = evaluate(view, shown).toString();
    view.loadHTMLString(third);
    ASSERT_TRUE(loaded.wait(loadLimit));
    ASSERT_TRUE(patchedPage.contains(QStringLiteral("12.3 V")));
    EXPECT_TRUE(patchedPage == evaluate(view, shown).toString()) << "the patched page is the document loaded whole";

    // Charts still on their way when a new document is loaded do not reach it.
    const std::string moving = page("12.4 V", moved), fourth = page("12.5 V", drawn);
    view.replaceTables(*QorvCSReportTableChanges::between(third, moving), moving);
    view.loadHTMLString(fourth);
    ASSERT_TRUE(loaded.wait(loadLimit));
    EXPECT_EQ(evaluate(view, QStringLiteral("document.getElementsByTagName('text')[20].textContent")).toString(),
        QStringLiteral("10:00"));
    EXPECT_EQ(patched.count(), 2) << "the old page's answer is not taken for the new one's";
    EXPECT_EQ(settled.count(), 1);

    // The charts the reader sees go in before those far above.
    evaluate(view, scrollToChart20);
    view.replaceTables(*QorvCSReportTableChanges::between(fourth, moving), moving);
    ASSERT_TRUE(QTest::qWaitFor([&] { return patched.count() == 3; }, 30000));
    const QString movedChart = QStringLiteral("document.getElementsByTagName('text')[%1].textContent === '10:01'");
    EXPECT_TRUE(!evaluate(view, movedChart.arg(0)).toBool() || evaluate(view, movedChart.arg(20)).toBool());
    ASSERT_TRUE(QTest::qWaitFor([&] { return settled.count() == 2; }, 30000));
}
