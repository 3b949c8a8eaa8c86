#pragma once

#include <QAbstractItemModel>

#include <exception>

class QorvCSContent;
class QorvCSContentController;

// The sidebar's model: adapts the content controller's data-source answers. Column 0 is the "include" checkbox,
// column 1 the "localisedLabel" with the node's image; a group row shows its label across both columns.
class QorvCSOutlineModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { IncludeColumn = 0, LabelColumn = 1, ColumnCount = 2 };

    explicit QorvCSOutlineModel(QObject* parent = nullptr);

    void setDataSource(QorvCSContentController* dataSource);
    QorvCSContentController* dataSource() const { return m_dataSource; }
    // The tree below the root changed: rebuild the view's idea of it.
    void reload();

    QorvCSContent* node(const QModelIndex& index) const;
    QModelIndex indexOf(QorvCSContent* node, int column = 0) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A node that raises while the view asks about it or draws it must not take the sidebar (or the report) with
    // it: the failure is logged, once per distinct message, and the row is drawn without the failing part.
    static void logFailure(const std::exception& failure);

private:
    QVariant unguardedData(const QModelIndex& index, int role) const;

    QorvCSContentController* m_dataSource = nullptr;
};
