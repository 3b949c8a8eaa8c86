#pragma once

#include "foundation/Value.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// A file on disk: sent as a file part named after the last component of its path, with the file's bytes.
struct QorvFeedbackFileURL {
    std::string path;
    bool operator==(const QorvFeedbackFileURL&) const = default;
};

// One form field's value: text (a plain part), a file location, or raw bytes (a file part named after the field).
using QorvFeedbackFieldValue = std::variant<std::string, QorvFeedbackFileURL, qorv::Value::Data>;
// Field name to value; the parts follow the map's key order.
using QorvFeedbackFields = std::map<std::string, QorvFeedbackFieldValue, std::less<>>;

// The feedback form's multipart/form-data upload, without the HTTP client: the fields, the boundary, the body and
// its headers. All text is UTF-8 and every length is in bytes.
class QorvFeedbackControllerUpload {
public:
    // The fields of one report: "name", "email" and "detail" when not empty, "product" and "version" always, then
    // the delegate's entries, which replace those of the same name.
    static QorvFeedbackFields fieldsForReport(const std::string& name, const std::string& email,
        const std::string& detail, const std::string& product, const std::string& version,
        const std::optional<QorvFeedbackFields>& delegateFields);

    // "%ld%@%p": the random number, "QorvFeedbackController" and the controller's address.
    static std::string boundary(long randomNumber, const void* controller);
    // The first boundary given by next that occurs nowhere in the fields (names, file names, contents): a
    // boundary inside a part would end that part early and corrupt the body.
    static std::string uniqueBoundary(const QorvFeedbackFields& fields, const std::function<std::string()>& next);

    // The request body: for each field "--B" CRLF, its headers, an empty line, the content and CRLF; then "--B--"
    // CRLF. An unreadable file sends no bytes.
    static std::string dataForPOSTWithDictionary(const QorvFeedbackFields& fields, std::string_view boundary);

    // The bytes a field's part carries: the text, the file's bytes (none when it cannot be read) or the raw bytes.
    static std::string contentsOfField(const QorvFeedbackFieldValue& value);

    // "multipart/form-data; boundary=B".
    static std::string contentType(std::string_view boundary);
    // The body's length in bytes, in decimal ("%d").
    static std::string contentLength(const std::string& body);
};
