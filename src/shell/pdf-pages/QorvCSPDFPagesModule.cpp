#include "QorvCSPDFPagesModule.h"

#include <QJsonObject>
#include <QPainter>
#include <QPdfDocument>
#include <QPrinter>
#include <QRegularExpression>

namespace {

QJsonArray pageEndings(const QString& pdf)
{
    QJsonArray endings;
    QPdfDocument document;
    if (document.load(pdf) != QPdfDocument::Error::None)
        return endings;
    const int pages = document.pageCount();
    for (int page = 0; page + 1 < pages; ++page) { // the last page has nothing after it to keep with
        const QStringList lines = document.getAllText(page).text().split(
            QRegularExpression(QStringLiteral("[\\r\\n]+")), Qt::SkipEmptyParts);
        for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
            if (line->trimmed().isEmpty())
                continue;
            endings.append(QJsonObject { { QStringLiteral("text"), line->trimmed() },
                { QStringLiteral("page"), page + 1 }, { QStringLiteral("pages"), pages } });
            break;
        }
    }
    return endings;
}

QorvCSPDFPagesFunctions::Result rasterize(const QString& pdf, QPrinter& printer)
{
    using Result = QorvCSPDFPagesFunctions::Result;
    QPdfDocument document;
    if (document.load(pdf) != QPdfDocument::Error::None)
        return Result::Unreadable;
    printer.setFullPage(true); // the PDF's pages already hold the margins
    QPainter painter;
    if (!painter.begin(&printer))
        return Result::PrintingFailed;
    // 300 dots per inch are plenty for text on paper and keep a page's image small.
    constexpr double dotsPerPoint = 300.0 / 72.0;
    for (int page = 0; page < document.pageCount(); ++page) {
        if (page > 0 && !printer.newPage())
            return Result::PrintingFailed;
        const QSizeF points = document.pagePointSize(page);
        const QImage image = document.render(page, (points * dotsPerPoint).toSize());
        painter.drawImage(QRectF(QPointF(0, 0), QSizeF(painter.device()->width(), painter.device()->height())), image);
    }
    return painter.end() ? Result::Printed : Result::PrintingFailed;
}

constexpr QorvCSPDFPagesFunctions functions { &pageEndings, &rasterize };

} // namespace

extern "C" __attribute__((visibility("default"))) const QorvCSPDFPagesFunctions* QorvCSPDFPages1()
{
    return &functions;
}

// The program finds the entry point by this name; the compiler checks here that it has the declared type.
[[maybe_unused]] static constexpr QorvCSPDFPagesEntry entryPoint = QorvCSPDFPages1;
