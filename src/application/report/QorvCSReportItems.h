#pragma once

#include "foundation/Value.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The neutral description of a report: items that content nodes emit and the HTML renderer turns into markup.

class QorvCSReportItem {
public:
    QorvCSReportItem() = default;
    virtual ~QorvCSReportItem() = default;

    static std::shared_ptr<QorvCSReportItem> item() { return std::make_shared<QorvCSReportItem>(); }
    virtual std::string_view className() const { return "QorvCSReportItem"; }

    // The unlocalised source text behind what the item shows; empty (nullopt) for titles, tables and markers.
    const std::optional<std::string>& raw() const { return m_raw; }
    void setRaw(std::optional<std::string> raw) { m_raw = std::move(raw); }
    // The unlocalised label of the content node that produced the item.
    std::optional<std::string_view> provider() const
    {
        return m_provider ? std::optional<std::string_view>(*m_provider) : std::nullopt;
    }
    void setProvider(std::optional<std::string> provider)
    {
        m_provider = provider ? std::make_shared<const std::string>(std::move(*provider)) : nullptr;
    }
    // The same, sharing the text: every row of a table names the same provider, twice.
    void setProvider(std::shared_ptr<const std::string> provider) { m_provider = std::move(provider); }

private:
    std::optional<std::string> m_raw;
    std::shared_ptr<const std::string> m_provider;
};

class QorvCSReportSubSectionStart : public QorvCSReportItem {
public:
    static std::shared_ptr<QorvCSReportSubSectionStart> item()
    {
        return std::make_shared<QorvCSReportSubSectionStart>();
    }
    std::string_view className() const override { return "QorvCSReportSubSectionStart"; }
};

class QorvCSReportSubSectionEnd : public QorvCSReportItem {
public:
    static std::shared_ptr<QorvCSReportSubSectionEnd> item() { return std::make_shared<QorvCSReportSubSectionEnd>(); }
    std::string_view className() const override { return "QorvCSReportSubSectionEnd"; }
};

class QorvCSReportTitle : public QorvCSReportItem {
public:
    explicit QorvCSReportTitle(std::string text)
        : m_title(std::move(text))
    { }
    static std::shared_ptr<QorvCSReportTitle> titleWithText(std::string text)
    {
        return std::make_shared<QorvCSReportTitle>(std::move(text));
    }
    std::string_view className() const override { return "QorvCSReportTitle"; }
    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }
    // The unique identifier of the content node this title heads; never rendered.
    const std::string& sourceID() const { return m_sourceID; }
    void setSourceID(std::string sourceID) { m_sourceID = std::move(sourceID); }
    // The HTML id the heading carries, so the window can scroll to it; none when empty.
    const std::string& anchor() const { return m_anchor; }
    void setAnchor(std::string anchor) { m_anchor = std::move(anchor); }

private:
    std::string m_title;
    std::string m_sourceID;
    std::string m_anchor;
};

class QorvCSReportTableHeading : public QorvCSReportItem {
public:
    explicit QorvCSReportTableHeading(std::string title)
        : m_title(std::move(title))
    { }
    static std::shared_ptr<QorvCSReportTableHeading> headingWithTitle(std::string title)
    {
        return std::make_shared<QorvCSReportTableHeading>(std::move(title));
    }
    std::string_view className() const override { return "QorvCSReportTableHeading"; }
    const std::string& title() const { return m_title; }
    void setTitle(std::string title) { m_title = std::move(title); }

private:
    std::string m_title;
};

class QorvCSReportTableValue : public QorvCSReportItem {
public:
    explicit QorvCSReportTableValue(std::string label)
        : m_label(std::move(label))
    { }
    static std::shared_ptr<QorvCSReportTableValue> valueWithLabel(std::string label)
    {
        return std::make_shared<QorvCSReportTableValue>(std::move(label));
    }
    std::string_view className() const override { return "QorvCSReportTableValue"; }
    const std::string& label() const { return m_label; }
    void setLabel(std::string label) { m_label = std::move(label); }
    // The value the label was made from, with its type, for renderings that keep it (JSON); null when unknown.
    const qorv::Value& value() const { return m_value; }
    void setValue(qorv::Value value) { m_value = std::move(value); }
    // The kind of source the row describes (a power source's "Type"), for rules that read a fact differently for a
    // UPS than for a laptop's battery; nullopt when the producer does not say.
    const std::optional<std::string>& sourceType() const { return m_sourceType; }
    void setSourceType(std::optional<std::string> sourceType) { m_sourceType = std::move(sourceType); }

private:
    std::string m_label;
    qorv::Value m_value;
    std::optional<std::string> m_sourceType;
};

inline constexpr std::string_view QorvCSReportTablePairHeading = "QorvCSReportTablePairHeading";
inline constexpr std::string_view QorvCSReportTablePairValue = "QorvCSReportTablePairValue";

// One table row: the record under the two keys above.
struct QorvCSReportTablePair {
    std::shared_ptr<QorvCSReportTableHeading> heading; // QorvCSReportTablePairHeading
    std::shared_ptr<QorvCSReportTableValue> value; // QorvCSReportTablePairValue

    // A new heading and value made together, in one allocation: reports are built anew at every change, row by row.
    static QorvCSReportTablePair pairWithTitleAndLabel(std::string title, std::string label);
};

class QorvCSReportTable : public QorvCSReportItem {
public:
    using Pairs = std::vector<QorvCSReportTablePair>;

    QorvCSReportTable(std::string summary, std::string caption);
    static std::shared_ptr<QorvCSReportTable> tableWithSummary(std::string summary, std::string caption)
    {
        return std::make_shared<QorvCSReportTable>(std::move(summary), std::move(caption));
    }
    std::string_view className() const override { return "QorvCSReportTable"; }

    const std::string& summary() const { return m_summary; }
    void setSummary(std::string summary) { m_summary = std::move(summary); }
    const std::string& caption() const { return m_caption; }
    void setCaption(std::string caption) { m_caption = std::move(caption); }

    // The list is immutable: appending replaces it, so a list obtained earlier keeps its length.
    std::shared_ptr<const Pairs> headingValuePairs() const { return m_pairs; }
    void setHeadingValuePairs(std::shared_ptr<const Pairs> pairs);

    // Room for this many rows, for a producer that knows how many it adds.
    void reserveRows(size_t count);
    void addHeadingAndValue(QorvCSReportTablePair aPair);
    void addHeading(std::shared_ptr<QorvCSReportTableHeading> aHeading, std::shared_ptr<QorvCSReportTableValue> aValue);

private:
    std::string m_summary;
    std::string m_caption;
    std::shared_ptr<const Pairs> m_pairs;
    // The list when this table made it itself: appended in place while no one else holds it.
    std::shared_ptr<Pairs> m_ownPairs;
    // That list, made (with room for capacity rows) when there is none or someone else holds it.
    Pairs& ownPairs(size_t capacity);
};

using QorvCSReportItemList = std::vector<std::shared_ptr<QorvCSReportItem>>;
