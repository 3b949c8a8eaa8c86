#pragma once

// The entry point of the PDF finishing module (cellsheet-pdf.so). The module holds the code that uses qpdf, so
// qpdf and the libraries it brings (gnutls, p11-kit …) are loaded only once a PDF is made, not by every window.
// The program loads it with dlopen and finds the entry point by QORVCS_PDF_FINISH_SYMBOL; the name carries the
// version of this interface.

#include <cstddef>

extern "C" {

// The footer of page (from 1) of count pages, as UTF-8; the text stays valid until the next call. nullptr stops
// the finishing with an error.
typedef const char* (*QorvCSPDFFooterText)(void* context, long page, long count);

// Reads the PDF file at input, adds each page's footer centred in the bottom margin (bottomMargin in points) and
// sets the document's Title, and writes the result to output. Returns 0, or else -1 with the reason in error
// (NUL-terminated, cut to errorSize); output may then be left behind, half written.
typedef int (*QorvCSPDFFinishFunction)(const char* input, const char* output, const char* title, double bottomMargin,
    QorvCSPDFFooterText footer, void* context, char* error, size_t errorSize);
}

#define QORVCS_PDF_MODULE_NAME "cellsheet-pdf.so"
#define QORVCS_PDF_FINISH_SYMBOL "QorvCSPDFFinish1"
