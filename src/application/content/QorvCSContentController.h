#pragma once

#include "QorvCSContent.h"

#include "foundation/NotificationCenter.h"

#include <memory>
#include <string>
#include <string_view>

inline constexpr std::string_view QorvCSContentControllerNotificationDidUpdate
    = "QorvCSContentControllerNotificationDidUpdate";
inline constexpr std::string_view QorvCSContentControllerNotificationKeyContent
    = "QorvCSContentControllerNotificationKeyContent";

// A sidebar column as the data source sees it: its identifier ("localisedLabel", "include"), possibly empty.
struct QorvCSOutlineColumn {
    std::string identifier;
};

// Owns the content tree, answers the sidebar's questions, and turns every change in the tree into one
// "QorvCSContentControllerNotificationDidUpdate".
class QorvCSContentController {
public:
    QorvCSContentController() = default;
    virtual ~QorvCSContentController();
    QorvCSContentController(const QorvCSContentController&) = delete;
    QorvCSContentController& operator=(const QorvCSContentController&) = delete;

    virtual std::string_view className() const { return "QorvCSContentController"; }

    void rootDidNotify(const qorv::Notification& notification);

    // Outline data source; a null item stands for the root, a null column for a full-width group row.
    size_t numberOfChildrenOfItem(QorvCSContent* item);
    bool isItemExpandable(QorvCSContent* item);
    std::shared_ptr<QorvCSContent> child(long index, QorvCSContent* item);
    qorv::Value objectValueForTableColumn(const QorvCSOutlineColumn* column, QorvCSContent* item);
    // Writes the column's property at once and announces the change on the next pass of the main run loop.
    void setObjectValue(const qorv::Value& value, const QorvCSOutlineColumn* column, QorvCSContent* item);

    QorvCSReportItemList itemsForReport(QorvCSReport& report);

    // Built on first read: the root with the computer, power sources and power adapter groups.
    const std::shared_ptr<QorvCSContent>& root();
    void setRoot(std::shared_ptr<QorvCSContent> root);

private:
    void buildTree();

    std::shared_ptr<QorvCSContent> m_root;
};
