#include "QorvCSPDFFinisher.h"

#include "foundation/Bundle.h"
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
        case 'S':
            width += 667;
            break;
        case ' ':
        case 'f':
        case 't':
            width += 278;
            break;
        case 'i':
        case 'l':
            width += 222;
            break;
        case 'r':
            width += 333;
            break;
        case 'v':
            width += 500;
            break;
        default:
            width += 556; // digits and a, e, g, o
        }
    }
    return width;
}

// A translated footer as a PDF string in the font's WinAnsi encoding: Latin-1 characters as they are, others as
// '?', and the string's delimiters escaped, so no translation can break the page's drawing.
std::string pdfString(const std::string& utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            if (lead == '(' || lead == ')' || lead == '\\')
                out += '\\';
            out += lead >= 0x20 ? char(lead) : '?';
            ++i;
            continue;
        }
        size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if ((lead == 0xC2 || lead == 0xC3) && i + 1 < utf8.size())
            out += char(((lead & 0x03) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
        else
            out += '?';
        i += std::min(length, utf8.size() - i);
    }
    return out;
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
            const std::string text = pdfString(
                qorv::format(qorv::Bundle::main().localizedString("QorvCSPDFFinisher.PageFormat", "Page %ld of %ld"),
                    int64_t(i + 1), int64_t(count)));
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
