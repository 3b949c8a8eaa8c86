#include "QorvCSOutlineModel.h"

#include "QorvCSImages.h"

#include "QorvCSContentController.h"

#include "foundation/Log.h"

#include <set>
#include <string>

namespace {

const QorvCSOutlineColumn includeColumn { "include" };
const QorvCSOutlineColumn labelColumn { "localisedLabel" };

QVariant toVariant(const qorv::Value& value)
{
    if (auto s = value.asString())
        return QString::fromStdString(*s);
    if (auto b = value.asBoolean())
        return *b;
    if (auto i = value.asInteger())
        return qlonglong(*i);
    return {};
}

} // namespace

QorvCSOutlineModel::QorvCSOutlineModel(QObject* parent)
    : QAbstractItemModel(parent)
{ }

void QorvCSOutlineModel::setDataSource(QorvCSContentController* dataSource)
{
    beginResetModel();
    m_dataSource = dataSource;
    endResetModel();
}

void QorvCSOutlineModel::reload()
{
    // Nodes come and go with every rebuild; a reset drops every index that could point at a released node.
    beginResetModel();
    endResetModel();
}

QorvCSContent* QorvCSOutlineModel::node(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<QorvCSContent*>(index.internalPointer()) : nullptr;
}

QModelIndex QorvCSOutlineModel::indexOf(QorvCSContent* content, int column) const
{
    if (!content || !content->parent())
        return {};
    QorvCSContent* parentNode = content->parent();
    for (size_t row = 0; row < parentNode->numberOfChildren(); ++row)
        if (parentNode->childAtIndex(long(row)).get() == content)
            return createIndex(int(row), column, content);
    return {};
}

QModelIndex QorvCSOutlineModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!m_dataSource || row < 0 || column < 0 || column >= ColumnCount || (parent.isValid() && parent.column() != 0))
        return {};
    QorvCSContent* parentNode = node(parent);
    if (size_t(row) >= m_dataSource->numberOfChildrenOfItem(parentNode))
        return {};
    return createIndex(row, column, m_dataSource->child(row, parentNode).get());
}

QModelIndex QorvCSOutlineModel::parent(const QModelIndex& index) const
{
    QorvCSContent* content = node(index);
    if (!content || !content->parent() || !content->parent()->parent())
        return {};
    return indexOf(content->parent(), 0);
}

int QorvCSOutlineModel::rowCount(const QModelIndex& parent) const
{
    if (!m_dataSource || (parent.isValid() && parent.column() != 0))
        return 0;
    return int(m_dataSource->numberOfChildrenOfItem(node(parent)));
}

int QorvCSOutlineModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

void QorvCSOutlineModel::logFailure(const std::exception& failure)
{
    // The view asks again on every paint: one line per problem, not one per frame.
    static std::set<std::string> logged;
    if (logged.size() < 64 && logged.insert(failure.what()).second)
        qorv::log(failure.what());
}

QVariant QorvCSOutlineModel::data(const QModelIndex& index, int role) const
{
    try {
        return unguardedData(index, role);
    } catch (const std::exception& e) {
        logFailure(e);
        return {};
    }
}

QVariant QorvCSOutlineModel::unguardedData(const QModelIndex& index, int role) const
{
    QorvCSContent* content = node(index);
    if (!content || !m_dataSource)
        return {};
    if (content->isGroup()) {
        // A full-width group row: its label, upper case, with its image.
        if (index.column() != IncludeColumn)
            return {};
        if (role == Qt::DisplayRole)
            return toVariant(m_dataSource->objectValueForTableColumn(nullptr, content)).toString().toUpper();
        if (role == Qt::DecorationRole && !content->image().isNull())
            return QorvCSIcon(content->image());
        return {};
    }
    switch (index.column()) {
    case IncludeColumn:
        if (role == Qt::CheckStateRole && content->canInclude())
            return m_dataSource->objectValueForTableColumn(&includeColumn, content).asInteger().value_or(0)
                ? Qt::Checked
                : Qt::Unchecked;
        // A screen reader names the checkbox after its section, not "checkbox".
        if (role == Qt::AccessibleTextRole && content->canInclude())
            return toVariant(m_dataSource->objectValueForTableColumn(&labelColumn, content));
        return {};
    case LabelColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return toVariant(m_dataSource->objectValueForTableColumn(&labelColumn, content));
        if (role == Qt::DecorationRole && !content->image().isNull())
            return QorvCSIcon(content->image());
        return {};
    default:
        return {};
    }
}

bool QorvCSOutlineModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    QorvCSContent* content = node(index);
    if (!content || !m_dataSource || index.column() != IncludeColumn || role != Qt::CheckStateRole || content->isGroup()
        || !content->canInclude())
        return false;
    const bool include
        = value.value<Qt::CheckState>() == Qt::Checked || (value.typeId() == QMetaType::Bool && value.toBool());
    m_dataSource->setObjectValue(qorv::Value(include), &includeColumn, content);
    emit dataChanged(index, index, { Qt::CheckStateRole });
    return true;
}

Qt::ItemFlags QorvCSOutlineModel::flags(const QModelIndex& index) const
{
    QorvCSContent* content = node(index);
    if (!content)
        return Qt::NoItemFlags;
    // Rows are never selected; only the checkbox of an includable node reacts.
    Qt::ItemFlags f = Qt::ItemIsEnabled;
    if (index.column() == IncludeColumn && !content->isGroup() && content->canInclude())
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant QorvCSOutlineModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == IncludeColumn ? QStringLiteral("include") : QStringLiteral("localisedLabel");
}
