#pragma once

#include "QorvCSReportCupel.h"
#include "QorvCSReportCupelSelection.h"
#include "QorvCSReportItems.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The rule set: every ".plist" file of the resource folder "QorvCSReportCupel" (taken whole from the first
// resource directory that has it), one cupel per file, applied in descending order of path to each table row.
class QorvCSReportCupelController {
public:
    using Cupels = std::vector<std::shared_ptr<QorvCSReportCupel>>;

    QorvCSReportCupelController() = default;
    virtual ~QorvCSReportCupelController() = default;
    static std::shared_ptr<QorvCSReportCupelController> cupelController()
    {
        return std::make_shared<QorvCSReportCupelController>();
    }
    virtual std::string_view className() const { return "QorvCSReportCupelController"; }

    // Loaded on first read, then kept. A rule file that is not a property-list dictionary fails
    // "Invalid parameter not satisfying: someFields".
    const Cupels& cupels();
    void setCupels(Cupels cupels);

    // A table row as the rules read it: "presentation heading", "heading", "presentation value", "provider" and
    // "value"; a text the row does not have is left out.
    static qorv::Value::Dictionary recordForRow(const QorvCSReportTablePair& row);

    // The record after every cupel has been applied to it in order; taken by value, so a caller's record is not
    // changed and a temporary one is transformed in place. With cached rules only the cupels that can apply to the
    // record run (see QorvCSReportCupelSelection), with the same result.
    qorv::Value::Dictionary transform(qorv::Value::Dictionary record);

    // Rule files are read and compiled once per version of the file (see QorvCSReportFileCache), and the renderer
    // remembers rows it has rendered with the same rules, so a re-rendering costs little and an edited rule file
    // still takes effect at the next rendering. Off, every rendering reads the files again and every application
    // compiles its expression anew: the plain way, kept to measure against and to test that both agree.
    // Process-wide; on by default.
    static void setCachesRules(bool caches);
    static bool cachesRules();
    // Forgets every compiled rule, as at start-up: the next rule set reads and compiles its files again.
    static void forgetCachedRules();

    // Identifies the rules in their order (their serials) and the language of their texts: two rule sets with the
    // same signature transform every record alike. Loads the rules first.
    const std::vector<uint64_t>& signature();

    // Whether a rule of the set may read this record entry, as its subject or in its filter. A record's result
    // differs from another's only in entries no rule reads, and in what the rules write. Loads the rules first.
    bool readsKey(std::string_view key);

private:
    std::optional<Cupels> m_cupels;
    std::vector<uint64_t> m_signature;
    std::vector<std::string> m_readKeys;
    std::optional<QorvCSReportCupelSelection> m_selection;
};
