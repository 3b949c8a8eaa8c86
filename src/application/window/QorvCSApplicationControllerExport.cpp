// QorvCSApplicationController: export and print.
#include "QorvCSApplicationController.h"
#include "QorvCSComputerName.h"

#include "foundation/Bundle.h"
#include "foundation/Format.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

#include <filesystem>

namespace {

std::string localized(std::string_view key)
{
    return qorv::Bundle::main().localizedString(key, key);
}

std::string fileName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The computer's name is the user's to choose ("Lab 1/2"): a file name made from it must name one file in the
// chosen folder, visible, of a length the file system takes.
std::string safeFileName(std::string name)
{
    for (char& c : name) {
        if (c == '/')
            c = '-';
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    }
    for (size_t i = 0; i < name.size() && name[i] == '.'; ++i)
        name[i] = '_';
    // Room for ".pdf" (or ".plist") within the usual 255 bytes, cut between UTF-8 characters.
    constexpr size_t limit = 240;
    if (name.size() > limit) {
        size_t end = limit;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
            --end;
        name.resize(end);
    }
    return name;
}

// The reason the print operation gave (another job running, a folder that cannot be written...), or general advice
// when it gave none.
std::string failureDetail(const std::string& path, const std::string& reason)
{
    if (reason.empty())
        return qorv::format(localized("QorvCSApplicationController.Export.PDFFailedDetail"), path);
    return qorv::format(localized("QorvCSApplicationController.Export.PDFFailedReasonFormat"), path, reason);
}

} // namespace

std::string QorvCSApplicationController::computerName() const
{
    return m_computerNameSource ? m_computerNameSource() : QorvCSComputerName();
}

std::string QorvCSApplicationController::exportFilename() const
{
    return safeFileName(qorv::format(localized("QorvCSApplicationController.Export.FilenameFormat"), computerName()));
}

void QorvCSApplicationController::printToPDF(const std::string& path, PrintCompletion completion)
{
    const qorv::Value::Dictionary info {
        { std::string(QorvCSPrintJobDisposition), std::string(QorvCSPrintSaveJob) },
        { std::string(QorvCSPrintJobSavingURL), path },
    };
    printWithInfo(info, false, std::move(completion));
}

void QorvCSApplicationController::printWithInfo(
    const qorv::Value::Dictionary& info, bool showPrintPanel, PrintCompletion completion)
{
    const QorvCSPrintJob job = QorvCSMakePrintJob(m_sharedPrintSettings, info);
    if (!m_printOperation) {
        if (completion)
            completion(false, "printing is not available");
        return;
    }
    // Updates wait until the operation has finished, however it ends.
    pauseUpdates();
    // A job the operation turns away (another is running) must not change the document the running one prints, and
    // before the window has shown a report there is none to print.
    const bool shown = !m_shownScreen.empty() || m_shownExport;
    if (m_contentPrintView && m_printJobs == 0 && shown && m_printViewDocument != exportDocument()) {
        m_printViewDocument = exportDocument();
        m_contentPrintView->loadHTMLString(m_printViewDocument);
    }
    ++m_printJobs;
    m_printOperation->run(job, showPrintPanel, [this, completion](bool ok, const std::string& reason) {
        // The export view's renderer is as large as the screen's: it is let go until the next job needs it.
        if (--m_printJobs == 0 && m_contentPrintView) {
            m_contentPrintView->releaseDocument();
            m_printViewDocument.clear();
        }
        resumeUpdates();
        if (completion)
            completion(ok, reason);
    });
}

void QorvCSApplicationController::printDocument()
{
    printWithInfo({}, true);
}

void QorvCSApplicationController::runPageLayout()
{
    if (!m_printOperation)
        return;
    const auto before = m_sharedPrintSettings;
    m_printOperation->runPageLayout(m_sharedPrintSettings);
    if (m_sharedPrintSettings != before)
        rememberedChoicesChanged();
}

QorvCSSavePanel::Options QorvCSApplicationController::savePanelOptions(const std::string& fileType) const
{
    // The debug file says what it is: it is not the report, and goes to whoever asked for it.
    const std::string name = fileType == "plist"
        ? safeFileName(qorv::format(qorv::Bundle::main().localizedString(
                                        "QorvCSApplicationController.Export.DebugFilenameFormat", "cellsheet-debug-%@"),
            computerName()))
        : exportFilename();
    return { fileType, name, localized("QorvCSApplicationController.Export.Title"),
        localized("QorvCSApplicationController.Export.Prompt"), m_saveFolder };
}

void QorvCSApplicationController::rememberSaveFolder(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return;
    std::string folder = slash > 0 ? path.substr(0, slash) : "/";
    if (folder == m_saveFolder)
        return;
    m_saveFolder = std::move(folder);
    rememberedChoicesChanged();
}

void QorvCSApplicationController::alert(const std::string& message, const std::string& detail)
{
    if (m_alertPresenter)
        m_alertPresenter->showAlert(message, detail);
}

void QorvCSApplicationController::exportToPDF()
{
    if (!m_savePanel)
        return;
    m_savePanel->beginSheet(savePanelOptions("pdf"), [this](const std::optional<std::string>& path) {
        if (!path)
            return;
        const std::string chosen = *path;
        rememberSaveFolder(chosen);
        printToPDF(chosen, [this, chosen](bool ok, const std::string& reason) {
            if (!ok)
                alert(qorv::format(localized("QorvCSApplicationController.Export.FailedFormat"), fileName(chosen)),
                    failureDetail(chosen, reason));
            else if (m_alertPresenter)
                m_alertPresenter->showNotice(
                    qorv::format(localized("QorvCSApplicationController.Export.SavedFormat"), chosen), chosen);
        });
    });
}

void QorvCSApplicationController::exportForDebug()
{
    if (!m_savePanel)
        return;
    m_savePanel->beginSheet(savePanelOptions("plist"), [this](const std::optional<std::string>& path) {
        if (!path)
            return;
        rememberSaveFolder(*path);
        const std::string error = qorv::PropertyList::writeXMLFile(*path, debugTree());
        if (!error.empty())
            alert(qorv::format(localized("QorvCSApplicationController.Export.FailedFormat"), fileName(*path)), error);
    });
}

void QorvCSApplicationController::exportToEmail()
{
    // The attachment leaves the machine: it hides serial numbers, addresses and names unless the user turned that
    // off (or the report on screen hides them already).
    makeEmailAttachment(m_sanitizesSharedReports || m_sanitizesReport);
}

void QorvCSApplicationController::makeEmailAttachment(bool sanitize)
{
    std::string directory = m_mailAttachmentDirectory;
    if (directory.empty()) {
        std::string error;
        auto privateDirectory = QorvCSPrivateTemporaryDirectory(error);
        if (!privateDirectory) {
            alert(localized("QorvCSApplicationController.Email.Failed"), error);
            return;
        }
        directory = *privateDirectory;
    }
    const std::string path = directory + "/" + exportFilename() + ".pdf";
    // The print routine loads this document into the export view; resuming afterwards renders the views as they
    // were.
    if (sanitize != m_sanitizesReport && m_contentPrintView) {
        try {
            m_shownExport = reportHTML(true, sanitize);
        } catch (const std::exception& e) {
            qorv::log(qorv::format("The report could not be rendered: %@", e.what()));
        }
    }
    // An e-mail button that does nothing looks broken: the user is told why no message appeared.
    printToPDF(path, [this, path, sanitize](bool ok, const std::string& reason) {
        if (!ok) {
            if (m_attachmentReview)
                m_attachmentReview->endReview();
            return alert(localized("QorvCSApplicationController.Email.Failed"), failureDetail(path, reason));
        }
        if (!m_attachmentReview)
            return composeEmail(path);
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        m_attachmentReview->reviewAttachment(
            { path, fileName(path), error ? 0 : size, sanitize }, [this, path](QorvCSAttachmentReviewChoice choice) {
                switch (choice) {
                case QorvCSAttachmentReviewChoice::Send:
                    return composeEmail(path);
                case QorvCSAttachmentReviewChoice::Cancel: {
                    // Nothing is sent: the private copy goes.
                    std::error_code ignored;
                    std::filesystem::remove(path, ignored);
                    return;
                }
                case QorvCSAttachmentReviewChoice::HideIdentifying:
                    return makeEmailAttachment(true);
                case QorvCSAttachmentReviewChoice::ShowIdentifying:
                    return makeEmailAttachment(false);
                }
            });
    });
}

void QorvCSApplicationController::composeEmail(const std::string& path)
{
    if (!m_mailComposer || !m_mailComposer->isAvailable())
        return alert(localized("QorvCSApplicationController.Email.NoMailProgram"),
            qorv::format(localized("QorvCSApplicationController.Email.NoMailProgramDetailFormat"), path));
    const std::string name = computerName();
    if (!m_mailComposer->composeMessage(
            qorv::format(localized("QorvCSApplicationController.Email.SubjectFormat"), name),
            qorv::format(localized("QorvCSApplicationController.Email.ContentFormat"), name), path))
        alert(localized("QorvCSApplicationController.Email.Failed"),
            qorv::format(localized("QorvCSApplicationController.Email.NotStartedDetailFormat"), path));
}
