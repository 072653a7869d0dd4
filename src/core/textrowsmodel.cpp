#include "textrowsmodel.h"

TextRowsModel::TextRowsModel(const QStringList &headers, const QList<QStringList> &rows,
                             QObject *parent)
    : QAbstractTableModel(parent), m_headers(headers), m_rows(rows)
{
}

int TextRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TextRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant TextRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= m_headers.size())
        return QVariant();
    const QStringList &row = m_rows.at(index.row());
    const QString text = index.column() < row.size() ? row.at(index.column()) : QString();
    // A text of several lines shows its first, marked as going on, and the whole text as
    // the tool tip; a very long one only its beginning, which is all a cell or tip can show.
    constexpr qsizetype Longest = 1000;
    qsizetype lineEnd = text.indexOf(u'\n');
    if (role == Qt::DisplayRole) {
        if (lineEnd < 0 && text.size() <= Longest)
            return text;
        return text.left(qMin(lineEnd < 0 ? text.size() : lineEnd, Longest)).trimmed() +
               QStringLiteral(" …");
    }
    if (role == Qt::ToolTipRole && (lineEnd >= 0 || text.size() > Longest))
        return text.size() > 4 * Longest ? text.left(4 * Longest) + QStringLiteral(" …") : text;
    return QVariant();
}

QVariant TextRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_headers.size() ? m_headers.at(section) : QVariant();
    return section + 1;
}

Qt::ItemFlags TextRowsModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
