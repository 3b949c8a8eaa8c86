#pragma once

#include <string>

// Finishes a PDF file that the web engine wrote from the export rendering: the engine can neither number pages
// nor name the document, so this adds a "Page N of M" footer to every page, centred in the bottom margin, and
// sets the document's Title. The file is replaced atomically; on failure it is left as it was.
// The work is done by the PDF module (cellsheet-pdf.so, see QorvCSModules), loaded the first time a file is
// finished.
class QorvCSPDFFinisher {
public:
    // bottomMargin in points: the footer's baseline sits in the middle of it (at least 10 pt above the edge).
    // Returns an empty string on success, else the reason.
    static std::string finish(const std::string& path, const std::string& title, double bottomMargin);
};
