#pragma once

#include "QorvCSWebView.h"

#include <QJsonObject>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <map>
#include <optional>
#include <string>
#include <vector>

// The report's web view: loads documents through the report scheme, reports finished loads and navigation
// decisions to its delegate, keeps track of the document's scroll position, and shows no context menu.
class QorvCSWebEngineView : public QWebEngineView, public QorvCSWebView {
    Q_OBJECT
public:
    explicit QorvCSWebEngineView(const QString& name, QWidget* parent = nullptr);

    void setDelegate(QorvCSWebViewDelegate* delegate) override { m_delegate = delegate; }
    void loadHTMLString(const std::string& html) override;
    void replaceTables(const QorvCSReportTableChanges& changes, const std::string& document) override;
    std::optional<Point> scrollPosition() const override;
    void scrollToPoint(Point point) override;
    void searchFor(const std::string& text, bool forward, bool caseSensitive, bool wrap) override;
    void setShouldPrintBackgrounds(bool printBackgrounds) override;
    void scrollToAnchor(const std::string& anchor) override;
    // Deletes the page, and with it its renderer process, for a fresh page of the same settings.
    void releaseDocument() override;

    bool isLoading() const { return m_loading; }
    int loadCount() const { return m_loadCount; }
    int patchCount() const { return m_patchCount; }

signals:
    void reportLoaded(bool ok);
    // A patch's tables were replaced in place; its figures follow (see chartsSettled).
    void reportPatched();
    // The figures of the last patch handed over, and of those before it, are in place: the page is what loading the
    // patched document whole would show.
    void chartsSettled();
    // The page's renderer process ended before its time (it crashed or was killed).
    void rendererStopped();

private:
    class Page;
    friend class Page;
    void installPage();
    // Sends the next few waiting figures to the page, nearest the reader first, or says all are in.
    void replaceWaitingFigures();
    void forgetWaitingFigures();

    QString m_name;
    QorvCSWebViewDelegate* m_delegate = nullptr;
    QObject* m_releasedPages = nullptr; // holds pages let go of until they are deleted
    bool m_pageUsed = false; // the page was given a document, which started its renderer
    bool m_hasDocument = false;
    bool m_loading = false;
    int m_loadCount = 0;
    int m_patchCount = 0;
    bool m_patchable = false; // a document has loaded and its renderer lives
    unsigned m_generation = 0; // counts documents and patches handed to the view
    unsigned m_pageGeneration = 0; // counts documents loaded and pages released
    unsigned m_answeredPatch = 0; // the generation of the last patch the page answered
    std::map<size_t, std::string> m_waitingFigures; // by their place among the tables and figures
    std::vector<size_t> m_figureOrder; // the figures waiting at the last patch, nearest the reader first
    size_t m_figureCount = 0; // the tables and figures of the patched document
    bool m_replacingFigures = false; // figures are on their way to the page
    std::string m_patchedDocument; // the document the last patch makes of the page, loaded whole when it cannot
    std::optional<bool> m_printBackgrounds;
    Point m_scroll;
    QJsonObject m_place; // the heading the reader was at when m_scroll was reported, and the offset below it
};
