#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// A read-only table of text rows under fixed column headers, for views that mirror stored
// rows. Nothing can be edited: an edit that was never stored would only mislead. A text of
// several lines shows its first line and " …"; its tool tip is the whole text.
class TextRowsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    TextRowsModel(const QStringList &headers, const QList<QStringList> &rows,
                  QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QStringList m_headers;
    QList<QStringList> m_rows;
};
