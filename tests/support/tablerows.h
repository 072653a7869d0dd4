#pragma once

#include <QAbstractItemModel>
#include <QList>
#include <QStringList>

// The rows a model shows, each as the texts of all its columns.
inline QList<QStringList> rowsOf(const QAbstractItemModel *model)
{
    QList<QStringList> rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model->columnCount(); ++c)
            row << model->index(r, c).data().toString();
        rows << row;
    }
    return rows;
}

// The contents of event or history rows: the second column of every table.
inline QStringList contents(const QList<QStringList> &rows)
{
    QStringList result;
    for (const QStringList &row : rows)
        result << row.at(1);
    return result;
}
