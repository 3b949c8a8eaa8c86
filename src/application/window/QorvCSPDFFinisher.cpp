#include "QorvCSPDFFinisher.h"

#include "foundation/Format.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>

namespace {

constexpr const char* fontName = "/QorvCSFooterFont";
constexpr double fontSize = 8;

// Width of a footer text in Helvetica, in thousandths of the font size (the standard font's metrics for the few
// characters a footer uses).
double helveticaWidth(const std::string& text)
{
    double width = 0;
    for (char c : text) {
        switch (c) {
        case 'P':
            width += 667;
            break;
        case ' ':
        case 'f':
            width += 278;
            break;
        default:
            width += 556; // digits and a, e, g, o
        }
    }
    return width;
}

} // namespace

std::string QorvCSPDFFinisher::finish(const std::string& path, const std::string& title, double bottomMargin)
{
    const std::string temporary = path + ".finishing";
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true); // a damaged file is refused below, not reported line by line
        pdf.processFile(path.c_str());
        auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
        QPDFObjectHandle font = pdf.makeIndirectObject(QPDFObjectHandle::parse(
            "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
        const size_t count = pages.size();
        for (size_t i = 0; i < count; ++i) {
            QPDFPageObjectHelper& page = pages[i];
            const auto box = page.getMediaBox().getArrayAsRectangle();
            const std::string text = qorv::format("Page %ld of %ld", int64_t(i + 1), int64_t(count));
            const double x = (box.llx + box.urx) / 2 - helveticaWidth(text) * fontSize / 2000;
            const double y = box.lly + std::max(10.0, bottomMargin / 2 - fontSize / 3);

            // The page's own drawing is wrapped in q/Q so whatever state it leaves does not move the footer.
            page.addPageContents(QPDFObjectHandle::newStream(&pdf, "q\n"), true);
            page.addPageContents(QPDFObjectHandle::newStream(&pdf,
                                     qorv::format("\nQ q 0.33 g BT %@ %.0f Tf %.2f %.2f Td (%@) Tj ET Q\n", fontName,
                                         fontSize, x, y, text)),
                false);
            QPDFObjectHandle resources = page.getAttribute("/Resources", true);
            if (!resources.isDictionary()) {
                resources = QPDFObjectHandle::newDictionary();
                page.getObjectHandle().replaceKey("/Resources", resources);
            }
            QPDFObjectHandle fonts = resources.getKey("/Font");
            if (!fonts.isDictionary()) {
                fonts = QPDFObjectHandle::newDictionary();
                resources.replaceKey("/Font", fonts);
            }
            fonts.replaceKey(fontName, font);
        }

        QPDFObjectHandle trailer = pdf.getTrailer();
        QPDFObjectHandle info = trailer.getKey("/Info");
        if (!info.isDictionary()) {
            info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
            trailer.replaceKey("/Info", info);
        }
        info.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(title));

        QPDFWriter writer(pdf, temporary.c_str());
        writer.write();
    } catch (const std::exception& e) {
        std::remove(temporary.c_str());
        return qorv::format("the PDF file could not be finished: %@", e.what());
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::remove(temporary.c_str());
        return qorv::format("the PDF file could not be replaced: %@", ec.message());
    }
    return {};
}
