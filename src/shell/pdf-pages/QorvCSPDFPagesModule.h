#pragma once

// The entry point of the PDF pages module (cellsheet-pdf-pages.so): the code that reads the pages of a printed PDF
// through Qt PDF, loaded with QorvCSModules only when a job prints, so an idle window does not map Qt PDF. The
// module is built with the program against the same Qt, so its functions take Qt's types.

#include <QJsonArray>
#include <QString>

class QPrinter;

extern "C" {

struct QorvCSPDFPagesFunctions {
    // For each page but the last, the last line of its text, its page number and the page count, as the page's
    // script reads them; an empty array when the file cannot be read.
    QJsonArray (*pageEndings)(const QString& pdf);
    // Prints each page as an image filling the printer's page.
    enum class Result { Printed, Unreadable, PrintingFailed };
    Result (*rasterize)(const QString& pdf, QPrinter& printer);
};

// Returns the module's functions.
typedef const QorvCSPDFPagesFunctions* (*QorvCSPDFPagesEntry)();
}

#define QORVCS_PDF_PAGES_MODULE_NAME "cellsheet-pdf-pages.so"
#define QORVCS_PDF_PAGES_SYMBOL "QorvCSPDFPages1"
