#include "QorvCSPDFFinishingModule.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

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

// A number in a content stream: fixed decimals with a point whatever the process's locale.
std::string pdfNumber(double value, int decimals)
{
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals).ptr;
    return std::string(buffer, end);
}

void finish(const char* input, const char* output, const char* title, double bottomMargin, QorvCSPDFFooterText footer,
    void* context)
{
    QPDF pdf;
    pdf.setSuppressWarnings(true); // a damaged file is refused below, not reported line by line
    pdf.processFile(input);
    auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
    QPDFObjectHandle font = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"));
    const size_t count = pages.size();
    for (size_t i = 0; i < count; ++i) {
        QPDFPageObjectHelper& page = pages[i];
        const auto box = page.getMediaBox().getArrayAsRectangle();
        const char* footerText = footer(context, long(i + 1), long(count));
        if (!footerText)
            throw std::runtime_error("no footer text");
        const std::string text = pdfString(footerText);
        const double x = (box.llx + box.urx) / 2 - helveticaWidth(text) * fontSize / 2000;
        const double y = box.lly + std::max(10.0, bottomMargin / 2 - fontSize / 3);

        // The page's own drawing is wrapped in q/Q so whatever state it leaves does not move the footer.
        page.addPageContents(QPDFObjectHandle::newStream(&pdf, "q\n"), true);
        page.addPageContents(QPDFObjectHandle::newStream(&pdf,
                                 "\nQ q 0.33 g BT " + std::string(fontName) + " " + pdfNumber(fontSize, 0) + " Tf "
                                     + pdfNumber(x, 2) + " " + pdfNumber(y, 2) + " Td (" + text + ") Tj ET Q\n"),
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

    QPDFWriter writer(pdf, output);
    writer.write();
}

void copyError(const char* reason, char* error, size_t errorSize)
{
    if (!error || errorSize == 0)
        return;
    const size_t length = std::min(std::strlen(reason), errorSize - 1);
    std::memcpy(error, reason, length);
    error[length] = '\0';
}

} // namespace

extern "C" __attribute__((visibility("default"))) int QorvCSPDFFinish1(const char* input, const char* output,
    const char* title, double bottomMargin, QorvCSPDFFooterText footer, void* context, char* error, size_t errorSize)
{
    try {
        finish(input, output, title, bottomMargin, footer, context);
        return 0;
    } catch (const std::exception& e) {
        copyError(e.what(), error, errorSize);
    } catch (...) {
        copyError("unknown failure", error, errorSize);
    }
    return -1;
}

// The program finds the entry point by this name; the compiler checks here that it has the declared type.
[[maybe_unused]] static constexpr QorvCSPDFFinishFunction entryPoint = QorvCSPDFFinish1;
