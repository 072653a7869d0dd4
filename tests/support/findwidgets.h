#pragma once

#include <QAbstractItemModel>
#include <QApplication>
#include <QList>
#include <QWidget>

// The application's visible top-level windows of class T.
template <typename T> QList<T *> visibleWindows()
{
    QList<T *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<T *>(widget); window && window->isVisible())
            windows << window;
    }
    return windows;
}

// A widget of the form by its object name; a test without it could check nothing.
template <typename T> T *child(const QObject &parent, const char *name)
{
    T *widget = parent.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

// The texts a model shows, row by row.
inline QList<QStringList> rowsOf(const QAbstractItemModel *model)
{
    QList<QStringList> rows;
    for (int r = 0; model && r < model->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model->columnCount(); ++c)
            row << model->index(r, c).data().toString();
        rows << row;
    }
    return rows;
}
