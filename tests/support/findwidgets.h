#pragma once

#include "msgwindow.h"

#include <QApplication>
#include <QList>
#include <QWidget>

enum class Which { All, Visible };

// The application's top-level windows whose class is named `className` or derives from
// it, for a class known here by its name only (one a plugin brings).
inline QList<QWidget *> topLevelWindows(const char *className, Which which = Which::All)
{
    QList<QWidget *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->inherits(className) && (which == Which::All || widget->isVisible()))
            windows << widget;
    }
    return windows;
}

// The application's top-level windows of class T.
template<typename T> QList<T *> topLevelWindows(Which which = Which::All)
{
    QList<T *> windows;
    for (QWidget *widget : topLevelWindows(T::staticMetaObject.className(), which))
        windows << static_cast<T *>(widget);
    return windows;
}

// The reminder windows the user can see.
inline QList<MsgWindow *> openReminders()
{
    return topLevelWindows<MsgWindow>(Which::Visible);
}

// A widget of the form by its object name; a test without it could check nothing.
template<typename T> T *child(const QObject &parent, const char *name)
{
    T *widget = parent.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}
