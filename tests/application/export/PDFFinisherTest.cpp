#include "QorvCSModules.h"
#include "QorvCSPDFFinisher.h"

#include "foundation/Bundle.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path scratch()
{
    fs::path p = fs::temp_directory_path() / ("cellsheet-pdf-" + std::to_string(::getpid()));
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

// A PDF of blank A4 pages, each saying "Body N", as the engine would leave one (no title, no numbers).
void writePDF(const fs::path& path, int pages)
{
    QPDF pdf;
    pdf.emptyPDF();
    QPDFPageDocumentHelper document(pdf);
    for (int i = 1; i <= pages; ++i) {
        auto font = QPDFObjectHandle::parse("<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>");
        auto page = pdf.makeIndirectObject(
            QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 595 842] /Resources << /Font << >> >> >>"));
        page.getKey("/Resources").getKey("/Font").replaceKey("/F1", pdf.makeIndirectObject(font));
        // A leftover transform that a footer drawn after it must not inherit.
        page.replaceKey("/Contents",
            QPDFObjectHandle::newStream(
                &pdf, "2 0 0 2 0 0 cm BT /F1 12 Tf 40 300 Td (Body " + std::to_string(i) + ") Tj ET"));
        document.addPage(QPDFPageObjectHelper(page), false);
    }
    QPDFWriter(pdf, path.c_str()).write();
}

std::string run(const std::string& command)
{
    std::string out;
    std::array<char, 4096> buffer {};
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        out.append(buffer.data(), n);
    ::pclose(pipe);
    return out;
}

} // namespace

TEST(PDFFinisher, NumbersEveryPageAndSetsTheTitle)
{
    const fs::path dir = scratch();
    for (int pages : { 1, 3 }) {
        const fs::path file = dir / ("report-" + std::to_string(pages) + ".pdf");
        writePDF(file, pages);
        ASSERT_EQ(QorvCSPDFFinisher::finish(file, "Power report: Ada’s laptop", 36), "");
        for (int i = 1; i <= pages; ++i) {
            const std::string text
                = run("pdftotext -f " + std::to_string(i) + " -l " + std::to_string(i) + " '" + file.string() + "' -");
            EXPECT_NE(text.find("Body " + std::to_string(i)), std::string::npos) << text;
            EXPECT_NE(text.find("Page " + std::to_string(i) + " of " + std::to_string(pages)), std::string::npos)
                << text;
        }
        // The footer sits in the bottom margin, not where the page's leftover transform would put it.
        const std::string box = run("pdftotext -bbox -f 1 -l 1 '" + file.string() + "' -");
        const auto at = box.find(">Page<");
        ASSERT_NE(at, std::string::npos);
        const auto yMin = box.rfind("yMin=\"", at);
        EXPECT_GT(std::stod(box.substr(yMin + 6)), 800.0) << box.substr(yMin, 80);
        EXPECT_NE(run("pdfinfo '" + file.string() + "'").find("Title:           Power report: Ada’s laptop"),
            std::string::npos);
        EXPECT_FALSE(fs::exists(file.string() + ".finishing"));
    }
    fs::remove_all(dir);
}

TEST(PDFFinisher, LeavesTheFileAsItWasWhenItCannotBeFinished)
{
    const fs::path dir = scratch();
    const fs::path notALibrary = dir / "not-a-library";
    fs::create_directories(notALibrary);
    std::ofstream(notALibrary / "cellsheet-pdf.so") << "not a library";
    const std::string built = QorvCSModules::directory();
    const struct {
        const char* what;
        bool isPDF;
        fs::path moduleDirectory;
    } cases[] = {
        { "a file that is no PDF", false, built },
        { "no module where the program looks", true, dir / "no-module" },
        { "a module that is no library", true, notALibrary },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = dir / "report.pdf";
        if (c.isPDF)
            writePDF(file, 2);
        else
            std::ofstream(file) << "not a pdf";
        std::stringstream before;
        before << std::ifstream(file, std::ios::binary).rdbuf();
        QorvCSModules::setDirectory(c.moduleDirectory);
        const std::string error = QorvCSPDFFinisher::finish(file, "t", 36);
        QorvCSModules::setDirectory(built);
        EXPECT_NE(error.find("the PDF file could not be finished: "), std::string::npos) << error;
        std::stringstream kept;
        kept << std::ifstream(file, std::ios::binary).rdbuf();
        EXPECT_TRUE(kept.str() == before.str()) << "the file was changed";
        EXPECT_FALSE(fs::exists(file.string() + ".finishing"));
    }
    // A failure to load is not remembered: once the module is where the program looks, the file is finished.
    fs::create_directories(dir / "no-module");
    fs::copy_file(fs::path(built) / "cellsheet-pdf.so", dir / "no-module" / "cellsheet-pdf.so");
    QorvCSModules::setDirectory(dir / "no-module");
    EXPECT_EQ(QorvCSPDFFinisher::finish(dir / "report.pdf", "t", 36), "");
    QorvCSModules::setDirectory(built);
    EXPECT_NE(QorvCSPDFFinisher::finish(dir / "missing.pdf", "t", 36), "");
    fs::remove_all(dir);
}

TEST(PDFFinisher, TheFooterSpeaksTheReportsLanguage)
{
    // A translation with the PDF string's delimiters and a letter beyond ASCII in it.
    const fs::path dir = scratch();
    fs::create_directories(dir / "de.lproj");
    std::ofstream(dir / "de.lproj" / "Localizable.strings")
        << "\"QorvCSPDFFinisher.PageFormat\" = \"Seite %ld von %ld (Entwurf) \\\\ für\";\n";
    auto& bundle = qorv::Bundle::main();
    const auto directories = bundle.resourceDirectories();
    bundle.setResourceDirectories({ dir.string() });
    bundle.setLanguages({ "de", "en" });
    const fs::path file = dir / "report.pdf";
    writePDF(file, 2);
    const std::string error = QorvCSPDFFinisher::finish(file, "Bericht", 36);
    bundle.setResourceDirectories(directories);
    bundle.setLanguages(qorv::Bundle::preferredLanguages());
    ASSERT_EQ(error, "");
    const std::string text = run("pdftotext -enc UTF-8 -f 2 -l 2 '" + file.string() + "' -");
    EXPECT_NE(text.find("Seite 2 von 2 (Entwurf) \\ für"), std::string::npos) << text;
    EXPECT_NE(text.find("Body 2"), std::string::npos) << text;
    fs::remove_all(dir);
}
