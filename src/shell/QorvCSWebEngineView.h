#pragma once

#include "QorvCSWebView.h"

#include <QJsonObject>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <optional>

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
    // Tables or figures were replaced in place.
    void reportPatched();
    // The page's renderer process ended before its time (it crashed or was killed).
    void rendererStopped();

private:
    class Page;
    friend class Page;
    void installPage();

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
    std::optional<bool> m_printBackgrounds;
    Point m_scroll;
    QJsonObject m_place; // the heading the reader was at when m_scroll was reported, and the offset below it
};
