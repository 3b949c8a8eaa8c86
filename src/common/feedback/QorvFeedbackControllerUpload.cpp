#include "QorvFeedbackControllerUpload.h"

#include "foundation/Format.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace {

// NSString's lastPathComponent: the last non-empty component, ignoring trailing slashes.
std::string lastPathComponent(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos || path.size() == 1)
        return std::string(path);
    return std::string(path.substr(slash + 1));
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void appendFilePart(std::string& body, std::string_view name, std::string_view filename, std::string_view bytes)
{
    body += qorv::format("Content-Disposition: form-data; name=\"%@\"; filename=\"%@\"\r\n", name, filename);
    body += "Content-Type: application/octet-stream\r\n\r\n";
    body += bytes;
}

} // namespace

QorvFeedbackFields QorvFeedbackControllerUpload::fieldsForReport(const std::string& name, const std::string& email,
    const std::string& detail, const std::string& product, const std::string& version,
    const std::optional<QorvFeedbackFields>& delegateFields)
{
    QorvFeedbackFields fields;
    if (!name.empty())
        fields["name"] = name;
    if (!email.empty())
        fields["email"] = email;
    if (!detail.empty())
        fields["detail"] = detail;
    fields["product"] = product;
    fields["version"] = version;
    if (delegateFields) {
        for (const auto& [key, value] : *delegateFields)
            fields[key] = value;
    }
    return fields;
}

std::string QorvFeedbackControllerUpload::boundary(long randomNumber, const void* controller)
{
    return qorv::format("%ld%@%p", randomNumber, "QorvFeedbackController", controller);
}

std::string QorvFeedbackControllerUpload::uniqueBoundary(
    const QorvFeedbackFields& fields, const std::function<std::string()>& next)
{
    // Files are read once here, not once per candidate.
    std::vector<std::string> texts;
    for (const auto& [name, value] : fields) {
        texts.push_back(name);
        if (const auto* file = std::get_if<QorvFeedbackFileURL>(&value))
            texts.push_back(lastPathComponent(file->path));
        texts.push_back(contentsOfField(value));
    }
    for (;;) {
        std::string candidate = next();
        if (candidate.empty())
            continue;
        bool occurs = false;
        for (const auto& text : texts) {
            if (text.find(candidate) != std::string::npos) {
                occurs = true;
                break;
            }
        }
        if (!occurs)
            return candidate;
    }
}

std::string QorvFeedbackControllerUpload::dataForPOSTWithDictionary(
    const QorvFeedbackFields& fields, std::string_view boundary)
{
    std::string body;
    for (const auto& [name, value] : fields) {
        body += qorv::format("--%@\r\n", boundary);
        if (const auto* text = std::get_if<std::string>(&value)) {
            body += qorv::format("Content-Disposition: form-data; name=\"%@\"\r\n\r\n", name);
            body += *text;
        } else if (const auto* file = std::get_if<QorvFeedbackFileURL>(&value)) {
            appendFilePart(body, name, lastPathComponent(file->path), contentsOfField(value));
        } else if (const auto* data = std::get_if<qorv::Value::Data>(&value)) {
            appendFilePart(body, name, name, data->bytes);
        }
        body += "\r\n";
    }
    body += qorv::format("--%@--\r\n", boundary);
    return body;
}

std::string QorvFeedbackControllerUpload::contentsOfField(const QorvFeedbackFieldValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* file = std::get_if<QorvFeedbackFileURL>(&value))
        return readFile(file->path);
    return std::get<qorv::Value::Data>(value).bytes;
}

std::string QorvFeedbackControllerUpload::contentType(std::string_view boundary)
{
    return qorv::format("multipart/form-data; boundary=%@", boundary);
}

std::string QorvFeedbackControllerUpload::contentLength(const std::string& body)
{
    return qorv::format("%d", static_cast<unsigned long long>(body.size()));
}
