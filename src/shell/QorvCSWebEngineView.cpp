#include "QorvCSWebEngineView.h"

#include "QorvCSReportRequestInterceptor.h"
#include "QorvCSReportSchemeHandler.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

namespace {

constexpr const char* scrollReportPrefix = "cellsheet-scroll:";

// Reports the document's scroll position through the console (the engine's own scroll position stays at 0,0
// unless frames are composited), with the reader's place in words: the last heading at or above the top of the
// view, which of the headings with its text it is, and how far below it the view starts. A new rendering can then
// put the reader back at that heading even when sections arrived above it.
const char* scrollReporter = R"JS(
(function () {
    var pending = false;
    function place() {
        var headings = document.querySelectorAll('h1, h2, h3, h4, h5, h6');
        var best = null, occurrence = 0, seen = {};
        for (var i = 0; i < headings.length; i++) {
            var text = headings[i].textContent;
            var count = seen[text] || 0;
            seen[text] = count + 1;
            var top = headings[i].getBoundingClientRect().top;
            if (top > 1)
                break;
            best = headings[i];
            occurrence = count;
        }
        if (!best)
            return null;
        return { heading: best.textContent, occurrence: occurrence, offset: -best.getBoundingClientRect().top };
    }
    function report() {
        pending = false;
        console.info('cellsheet-scroll:' + JSON.stringify({ x: window.scrollX, y: window.scrollY, place: place() }));
    }
    window.addEventListener('scroll', function () {
        if (!pending) { pending = true; window.requestAnimationFrame(report); }
    }, { passive: true });
})();
)JS";

// Replaces tables by their place among the document's tables and figures, when it has as many as the new document,
// and lets the template's own start-up handlers (hiding a caption that repeats its heading) see the new tables; the
// page is laid out before the answer, so that a new reading is then ready to be drawn. Answers the figures (by their
// places) that wait to be replaced, the one nearest the reader first, or false when the patch does not fit the page.
const char* tableReplacer = R"JS(
(function (count, tables, waiting) {
    var elements = document.querySelectorAll('table, figure');
    if (elements.length !== count)
        return false;
    var distance = function (index) {
        var box = elements[index].getBoundingClientRect();
        return box.bottom < 0 ? -box.bottom : Math.max(box.top - window.innerHeight, 0);
    };
    var distances = {};
    waiting.forEach(function (index) { distances[index] = distance(index); });
    waiting.sort(function (a, b) { return distances[a] - distances[b] || a - b; });
    var targets = tables.map(function (change) { return elements[change[0]]; });
    tables.forEach(function (change, i) { targets[i].outerHTML = change[1]; });
    if (tables.length)
        document.dispatchEvent(new Event('DOMContentLoaded'));
    void document.body.offsetHeight;
    return waiting;
})(%1, %2, %3);
)JS";

// Replaces figures as tableReplacer does tables: a few history charts at a time, so that the page is drawn and answers
// input in between (a minute's turn redraws every chart, and each takes the engine milliseconds to parse and lay out).
const char* figureReplacer = R"JS(
(function (count, figures) {
    var elements = document.querySelectorAll('table, figure');
    if (elements.length !== count)
        return false;
    var targets = figures.map(function (change) { return elements[change[0]]; });
    figures.forEach(function (change, i) { targets[i].outerHTML = change[1]; });
    document.dispatchEvent(new Event('DOMContentLoaded'));
    void document.body.offsetHeight;
    return true;
})(%1, %2);
)JS";

// How much figure markup one step replaces: about three history charts of a day.
constexpr size_t figureBytesPerStep = 64 * 1024;

QString jsonArray(const QJsonArray& array)
{
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

} // namespace

class QorvCSWebEngineView::Page : public QWebEnginePage {
public:
    Page(QorvCSWebEngineView* view)
        : QWebEnginePage(QWebEngineProfile::defaultProfile(), view)
        , m_view(view)
    { }

protected:
    // Every frame's navigation passes here. The view shows the application's own documents in its main frame
    // and nothing else: a link the user follows, in any frame, goes to the link policy (which may hand it to the
    // browser); a page that navigates on its own (a frame's address, a refresh, a script) goes nowhere, so a
    // template can neither load other pages into the report nor open the browser by itself.
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        if (url.scheme() == QLatin1String(QorvCSReportSchemeHandler::scheme))
            return isMainFrame;
        if (!isMainFrame && url.scheme() == QLatin1String("about"))
            return true; // an empty or inline (srcdoc) frame
        if (type == NavigationTypeLinkClicked && m_view->m_delegate)
            m_view->m_delegate->decidePolicyForNavigation(
                *m_view, url.toString().toStdString(), url.path().toStdString());
        return false;
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int, const QString&) override
    {
        if (!message.startsWith(QLatin1String(scrollReportPrefix)))
            return;
        // While a new document loads, the last position the user saw still counts.
        if (m_view->m_loading)
            return;
        const QJsonObject report
            = QJsonDocument::fromJson(message.mid(int(qstrlen(scrollReportPrefix))).toUtf8()).object();
        if (report.isEmpty())
            return;
        m_view->m_scroll = { report.value(QLatin1String("x")).toDouble(), report.value(QLatin1String("y")).toDouble() };
        m_view->m_place = report.value(QLatin1String("place")).toObject();
    }

private:
    QorvCSWebEngineView* m_view;
};

QorvCSWebEngineView::QorvCSWebEngineView(const QString& name, QWidget* parent)
    : QWebEngineView(parent)
    , m_name(name)
{
    installPage();
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) {
        m_loading = false;
        ++m_loadCount;
        m_patchable = ok;
        if (ok)
            m_hasDocument = true;
        if (m_delegate)
            m_delegate->webViewDidFinishLoad(*this);
        emit reportLoaded(ok);
    });
}

void QorvCSWebEngineView::installPage()
{
    auto* page = new Page(this);
    setPage(page);
    // A template is web content from whoever sent the resource folder: nothing it names is read from the disk or
    // the network. Its scripts still run (the "more" buttons and the printed layout need them), but they can reach
    // nothing beyond the page; our own scripts run in a world of their own.
    page->setUrlRequestInterceptor(new QorvCSReportRequestInterceptor(page));
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    if (m_printBackgrounds)
        settings->setAttribute(QWebEngineSettings::PrintElementBackgrounds, *m_printBackgrounds);
    QWebEngineScript script;
    script.setName(QStringLiteral("cellsheet-scroll"));
    script.setSourceCode(QString::fromUtf8(scrollReporter));
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    page->scripts().insert(script);
    // A dead renderer finishes no load; the next document starts a new one.
    connect(page, &QWebEnginePage::renderProcessTerminated, this, [this] {
        m_loading = false;
        m_patchable = false;
        emit rendererStopped();
    });
}

void QorvCSWebEngineView::releaseDocument()
{
    if (!m_pageUsed)
        return; // a page that was never given a document has no renderer to let go of
    // The old page may be the sender of the signal this is called from: it goes once that has returned, or with
    // the view, whichever comes first (setPage would delete a page that is the view's own child at once).
    QWebEnginePage* old = page();
    old->disconnect(this);
    if (!m_releasedPages)
        m_releasedPages = new QObject(this);
    old->setParent(m_releasedPages);
    old->deleteLater();
    installPage();
    m_pageUsed = false;
    m_hasDocument = false;
    m_loading = false;
    m_patchable = false;
    ++m_generation; // a patch's answer from the old page loads nothing
    ++m_pageGeneration;
    forgetWaitingFigures();
    m_scroll = {};
    m_place = {};
}

void QorvCSWebEngineView::loadHTMLString(const std::string& html)
{
    ++m_pageGeneration;
    forgetWaitingFigures();
    m_pageUsed = true;
    m_loading = true;
    m_patchable = false;
    ++m_generation;
    setUrl(QorvCSReportSchemeHandler::shared().publish(m_name, QByteArray::fromStdString(html)));
}

void QorvCSWebEngineView::replaceTables(const QorvCSReportTableChanges& changes, const std::string& document)
{
    if (!m_patchable) {
        loadHTMLString(document);
        return;
    }
    // The tables go in at once; the figures wait here, a later patch's version of one replacing the earlier one.
    QJsonArray tables;
    for (const auto& replacement : changes.replacements) {
        if (replacement.html.starts_with("<figure"))
            m_waitingFigures[replacement.index] = replacement.html;
        else
            tables.append(QJsonArray { qint64(replacement.index), QString::fromStdString(replacement.html) });
    }
    m_figureCount = changes.tableCount;
    QJsonArray waiting;
    for (const auto& [index, html] : m_waitingFigures)
        waiting.append(qint64(index));
    const QString script
        = QString::fromUtf8(tableReplacer).arg(qint64(changes.tableCount)).arg(jsonArray(tables), jsonArray(waiting));
    const unsigned generation = ++m_generation;
    const unsigned pageGeneration = m_pageGeneration;
    m_patchedDocument = document;
    page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
        [view = QPointer(this), generation, pageGeneration](const QVariant& answer) {
            if (!view || pageGeneration != view->m_pageGeneration)
                return;
            if (answer.typeId() != QMetaType::QVariantList) {
                // The shown document is not one the patch fits: load the new one, unless something newer was handed
                // over since.
                if (generation == view->m_generation)
                    view->loadHTMLString(view->m_patchedDocument);
                return;
            }
            view->m_figureOrder.clear();
            for (const QVariant& index : answer.toList())
                view->m_figureOrder.push_back(size_t(index.toLongLong()));
            view->m_answeredPatch = generation;
            ++view->m_patchCount;
            emit view->reportPatched();
            if (!view->m_replacingFigures)
                view->replaceWaitingFigures();
        });
}

void QorvCSWebEngineView::replaceWaitingFigures()
{
    QJsonArray figures;
    size_t bytes = 0;
    for (const size_t index : m_figureOrder) {
        if (bytes >= figureBytesPerStep)
            break;
        const auto waiting = m_waitingFigures.find(index);
        if (waiting == m_waitingFigures.end())
            continue; // replaced by an earlier step
        bytes += waiting->second.size();
        figures.append(QJsonArray { qint64(index), QString::fromStdString(waiting->second) });
        m_waitingFigures.erase(waiting);
    }
    if (figures.isEmpty()) {
        m_replacingFigures = false;
        // A patch handed over but not yet answered brings its own figures, or none, and says so itself.
        if (m_answeredPatch == m_generation) {
            std::string().swap(m_patchedDocument); // the page is that document now; an idle window holds no copy
            emit chartsSettled();
        }
        return;
    }
    m_replacingFigures = true;
    const QString script = QString::fromUtf8(figureReplacer).arg(qint64(m_figureCount)).arg(jsonArray(figures));
    page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
        [view = QPointer(this), pageGeneration = m_pageGeneration](const QVariant& replaced) {
            if (!view || pageGeneration != view->m_pageGeneration)
                return;
            if (replaced.toBool()) {
                view->replaceWaitingFigures();
            } else {
                // A template's script changed the page's tables or figures under the waiting ones.
                view->loadHTMLString(view->m_patchedDocument);
            }
        });
}

void QorvCSWebEngineView::forgetWaitingFigures()
{
    // A new document has the figures it was rendered with.
    m_waitingFigures.clear();
    m_figureOrder.clear();
    m_replacingFigures = false;
}

std::optional<QorvCSWebView::Point> QorvCSWebEngineView::scrollPosition() const
{
    if (!m_hasDocument)
        return std::nullopt;
    return m_scroll;
}

void QorvCSWebEngineView::scrollToPoint(Point point)
{
    // Going back to where the reader was: to the heading they were reading when it is still there, else to the
    // point.
    const QJsonObject place = point == m_scroll ? m_place : QJsonObject();
    m_scroll = point;
    const QString script = QStringLiteral(R"JS(
(function (x, y, place) {
    if (place) {
        var headings = document.querySelectorAll('h1, h2, h3, h4, h5, h6');
        for (var i = 0, n = 0; i < headings.length; i++) {
            if (headings[i].textContent !== place.heading)
                continue;
            if (n++ === place.occurrence) {
                window.scrollTo(x, headings[i].getBoundingClientRect().top + window.scrollY + place.offset);
                return;
            }
        }
    }
    window.scrollTo(x, y);
})(%1, %2, %3);
)JS");
    const QByteArray placeArgument = place.isEmpty() ? QByteArray("null") : QJsonDocument(place).toJson();
    page()->runJavaScript(
        script.arg(point.x).arg(point.y).arg(QString::fromUtf8(placeArgument)), QWebEngineScript::ApplicationWorld);
}

void QorvCSWebEngineView::searchFor(const std::string& text, bool forward, bool caseSensitive, bool)
{
    // The engine's search always wraps around the document.
    QWebEnginePage::FindFlags flags;
    if (!forward)
        flags |= QWebEnginePage::FindBackward;
    if (caseSensitive)
        flags |= QWebEnginePage::FindCaseSensitively;
    findText(QString::fromStdString(text), flags);
}

void QorvCSWebEngineView::setShouldPrintBackgrounds(bool printBackgrounds)
{
    m_printBackgrounds = printBackgrounds; // for a page made after a release
    settings()->setAttribute(QWebEngineSettings::PrintElementBackgrounds, printBackgrounds);
}

void QorvCSWebEngineView::scrollToAnchor(const std::string& anchor)
{
    // The id travels as a JSON string, so no id can break out of the script.
    const QString id = QString::fromUtf8(
        QJsonDocument(QJsonArray { QString::fromStdString(anchor) }).toJson(QJsonDocument::Compact));
    page()->runJavaScript(QStringLiteral("(function (ids) { var e = document.getElementById(ids[0]);"
                                         " if (e) e.scrollIntoView({ block: 'start' }); })(%1);")
                              .arg(id));
}
