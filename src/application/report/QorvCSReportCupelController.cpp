#include "QorvCSReportCupelController.h"
#include "QorvCSReportFileCache.h"

#include "foundation/Assert.h"
#include "foundation/Bundle.h"
#include "foundation/Log.h"
#include "foundation/PropertyList.h"

#include <algorithm>
#include <atomic>
#include <functional>

namespace {

std::atomic<bool> cachingRules { true };

// A rule file as read and compiled.
struct CompiledRule {
    qorv::Value fields;
    std::shared_ptr<const QorvCSReportCupelRule> rule;
};

QorvCSReportFileCache<CompiledRule>& ruleCache()
{
    static QorvCSReportFileCache<CompiledRule> cache;
    return cache;
}

// Reads one rule file. One that cannot be read as a dictionary is logged with its reason and reaches the cupel
// as null, which fails the cupel's assertion.
std::shared_ptr<QorvCSReportCupel> loadCupel(const std::string& path, bool cached)
{
    std::string error;
    std::shared_ptr<const CompiledRule> compiled;
    if (cached) {
        compiled = ruleCache().value(
            path,
            [&](const std::string& bytes, std::string& why) -> std::shared_ptr<const CompiledRule> {
                auto parsed = qorv::PropertyList::parse(bytes);
                if (!parsed) {
                    why = parsed.error;
                    return nullptr;
                }
                if (!parsed.value.isDictionary()) {
                    why = qorv::format("the top level is %@, not a dictionary", qorv::typeName(parsed.value.type()));
                    return nullptr;
                }
                auto rule = std::make_shared<const QorvCSReportCupelRule>(
                    parsed.value, path, QorvCSReportCupelRule::Compilation::Compiled);
                return std::make_shared<const CompiledRule>(CompiledRule { std::move(parsed.value), std::move(rule) });
            },
            error);
    } else {
        auto read = qorv::PropertyList::readFile(path, qorv::Value::Type::Dictionary);
        error = read.error;
        if (read)
            compiled = std::make_shared<const CompiledRule>(CompiledRule { read.value,
                std::make_shared<const QorvCSReportCupelRule>(
                    read.value, path, QorvCSReportCupelRule::Compilation::Literal) });
    }
    if (!compiled) {
        qorv::log(qorv::format("QorvCSReportCupel rule file %@ cannot be read: %@", path, error));
        return QorvCSReportCupel::cupelWithFields(qorv::Value());
    }
    return std::make_shared<QorvCSReportCupel>(compiled->fields, compiled->rule);
}

} // namespace

void QorvCSReportCupelController::setCachesRules(bool caches)
{
    cachingRules = caches;
}

bool QorvCSReportCupelController::cachesRules()
{
    return cachingRules;
}

void QorvCSReportCupelController::forgetCachedRules()
{
    ruleCache().keepOnly({});
}

const QorvCSReportCupelController::Cupels& QorvCSReportCupelController::cupels()
{
    if (!m_cupels) {
        auto paths = qorv::Bundle::main().pathsForResources("plist", "QorvCSReportCupel");
        // Descending by full path, compared byte by byte: a name that sorts last is applied first.
        std::sort(paths.begin(), paths.end(), std::greater<>());
        Cupels loaded;
        loaded.reserve(paths.size());
        const bool cached = cachesRules();
        for (const auto& path : paths)
            loaded.push_back(loadCupel(path, cached));
        // Only the files of the folder as it now is stay cached.
        if (cached)
            ruleCache().keepOnly(paths);
        setCupels(std::move(loaded));
    }
    return *m_cupels;
}

const std::vector<uint64_t>& QorvCSReportCupelController::signature()
{
    cupels();
    // The rules' texts are translated as they apply: rows rendered in another language (as the report's page
    // names it) are not the same.
    m_signature.back() = std::hash<std::string> {}(qorv::Bundle::main().localizedString("QorvCSHTMLReport.Language"));
    return m_signature;
}

bool QorvCSReportCupelController::readsKey(std::string_view key)
{
    cupels();
    return std::find(m_readKeys.begin(), m_readKeys.end(), key) != m_readKeys.end();
}

void QorvCSReportCupelController::setCupels(Cupels cupels)
{
    m_signature.clear();
    m_readKeys.clear();
    auto reads = [this](const std::string& key) {
        if (std::find(m_readKeys.begin(), m_readKeys.end(), key) == m_readKeys.end())
            m_readKeys.push_back(key);
    };
    std::vector<std::shared_ptr<const QorvCSReportCupelRule>> rules;
    for (const auto& cupel : cupels) {
        QorvAssert(cupel != nullptr, "Invalid parameter not satisfying: %@", "cupels");
        const auto& rule = cupel->rule();
        m_signature.push_back(rule->serial());
        // A rule that cannot apply reads nothing that matters.
        if (rule->canApply()) {
            reads(rule->matchKey());
            for (const auto& entry : rule->filter())
                reads(entry.first);
        }
        rules.push_back(rule);
    }
    m_signature.push_back(0); // the localisation, see signature()
    m_selection.emplace(std::move(rules));
    m_cupels = std::move(cupels);
}

qorv::Value::Dictionary QorvCSReportCupelController::transform(qorv::Value::Dictionary record)
{
    const Cupels& all = cupels();
    if (cachesRules()) {
        m_selection->apply(record);
        return record;
    }
    for (const auto& cupel : all)
        cupel->transform(record);
    return record;
}

qorv::Value::Dictionary QorvCSReportCupelController::recordForRow(const QorvCSReportTablePair& row)
{
    // Made for every row a rendering sends through the rules: entered in key order, each at the end.
    qorv::Value::Dictionary record;
    if (row.heading->raw())
        record.emplace_hint(record.end(), "heading", *row.heading->raw());
    record.emplace_hint(record.end(), "presentation heading", row.heading->title());
    record.emplace_hint(record.end(), "presentation value", row.value->label());
    if (row.value->provider())
        record.emplace_hint(record.end(), "provider", *row.value->provider());
    if (row.value->sourceType())
        record.emplace_hint(record.end(), "source type", *row.value->sourceType());
    if (row.value->raw())
        record.emplace_hint(record.end(), "value", *row.value->raw());
    return record;
}
