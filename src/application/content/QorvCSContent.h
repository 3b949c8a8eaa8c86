#pragma once

#include "QorvCSReport.h"

#include "foundation/Image.h"
#include "foundation/Value.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view QorvCSContentNotificationDidUpdate = "QorvCSContentNotificationDidUpdate";
inline constexpr std::string_view QorvCSContentNotificationKeyContent = "QorvCSContentNotificationKeyContent";

inline constexpr std::string_view QorvCSContentRootUniqueID = "root";
inline constexpr std::string_view QorvCSContentComputerGroupUniqueID = "computer";
inline constexpr std::string_view QorvCSContentPowerSourceGroupUniqueID = "power-source";
inline constexpr std::string_view QorvCSContentPowerAdapterGroupUniqueID = "power-adapter";

class QorvCSContentRoot;

// One section of the sidebar and the report. Nodes are shared objects; a node owns its children and refers to
// its parent without owning it.
class QorvCSContent : public std::enable_shared_from_this<QorvCSContent> {
public:
    using Children = std::vector<std::shared_ptr<QorvCSContent>>;

    QorvCSContent(std::string aUniqueID, std::string aLabel);
    virtual ~QorvCSContent();
    QorvCSContent(const QorvCSContent&) = delete;
    QorvCSContent& operator=(const QorvCSContent&) = delete;

    static std::shared_ptr<QorvCSContentRoot> rootContent();
    static std::shared_ptr<QorvCSContent> contentWithUniqueID(std::string aUniqueID, std::string aLabel)
    {
        return std::make_shared<QorvCSContent>(std::move(aUniqueID), std::move(aLabel));
    }

    virtual std::string_view className() const { return "QorvCSContent"; }

    // Title, sub-section start, the included children's items, sub-section end; nothing when no child
    // contributes anything.
    virtual QorvCSReportItemList itemsForReport(QorvCSReport& report);

    // The topmost ancestor (this node when it has no parent).
    QorvCSContent* root();

    // On a group with no list, stores and returns an empty list; a leaf may have none (null).
    const std::shared_ptr<Children>& children();
    void setChildren(std::shared_ptr<Children> children);
    size_t numberOfChildren() const;
    std::shared_ptr<QorvCSContent> childAtIndex(long anIndex) const;
    std::shared_ptr<QorvCSContent> childWithUniqueID(std::string_view aUniqueID) const;
    bool isExpandable() const { return numberOfChildren() > 0; }
    bool isGroup() const { return m_group; }

    const std::string& label() const { return m_label; }
    void setLabel(std::string label);
    // The label as the provider of this node's report items, one text that all of them share.
    const std::shared_ptr<const std::string>& providerLabel();
    const std::string& localisedLabel();
    void setLocalisedLabel(std::optional<std::string> localisedLabel) { m_localisedLabel = std::move(localisedLabel); }
    virtual std::string localise(std::string_view text) const;

    void postDidChangeNotification();

    // True while the node or a node below it still waits for data that will arrive later (the inventory).
    // The command line waits for it before writing the report.
    virtual bool isWaitingForData() const;

    qorv::Value debug();
    virtual void insertDebugValues(qorv::Value::Dictionary& values);
    std::string description() const;

    QorvCSContent* parent() const { return m_parent; }
    void setParent(QorvCSContent* parent) { m_parent = parent; }
    const std::string& uniqueID() const { return m_uniqueID; }
    void setUniqueID(std::string uniqueID) { m_uniqueID = std::move(uniqueID); }
    bool include() const { return m_include; }
    void setInclude(bool include) { m_include = include; }
    bool canInclude() const { return m_canInclude; }
    void setCanInclude(bool canInclude) { m_canInclude = canInclude; }
    bool group() const { return m_group; }
    void setGroup(bool group) { m_group = group; }
    virtual const qorv::Image& image();
    void setImage(qorv::Image image) { m_image = std::move(image); }

    // Name-based access for the sidebar's columns: "localisedLabel", "include" (a boolean) and "label".
    // Unknown keys read as null and are not written.
    qorv::Value valueForKey(std::string_view key);
    void setValueForKey(std::string_view key, const qorv::Value& value);

private:
    QorvCSContent* m_parent = nullptr;
    std::shared_ptr<Children> m_children;
    std::string m_uniqueID;
    bool m_canInclude = true;
    bool m_include = true;
    bool m_group = false;
    std::string m_label;
    std::shared_ptr<const std::string> m_providerLabel;
    std::optional<std::string> m_localisedLabel;
    qorv::Image m_image;
};

// The root of the tree: its report is its included children's items with no title or section around them.
class QorvCSContentRoot : public QorvCSContent {
public:
    using QorvCSContent::QorvCSContent;
    std::string_view className() const override { return "QorvCSContentRoot"; }
    QorvCSReportItemList itemsForReport(QorvCSReport& report) override;
};
