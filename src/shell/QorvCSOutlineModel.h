#pragma once

#include <QAbstractItemModel>

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

private:
    QorvCSContentController* m_dataSource = nullptr;
};
