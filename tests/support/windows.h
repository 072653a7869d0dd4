#pragma once

#include "dialogs.h"
#include "workspace.h"

#include <QtWidgets>

// Answers the program's dialogs in the order given ("yes" confirms), and keeps their texts.
class DialogRecorder
{
public:
    explicit DialogRecorder(QStringList answers = {}) : m_answers(std::move(answers))
    {
        Dialogs::setResponder([this](const Dialogs::Request &request) {
            shown << request.text;
            return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        });
    }
    ~DialogRecorder() { Dialogs::setResponder({}); }
    QString text(int i) const { return shown.value(i); }
    QStringList shown;

private:
    QStringList m_answers;
};

// The application's visible top-level windows of class T, and the first of them.
template <typename T> QList<T *> visibleWindows()
{
    QList<T *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<T *>(widget); window && window->isVisible())
            windows << window;
    }
    return windows;
}
template <typename T> T *window()
{
    return visibleWindows<T>().value(0);
}

// A widget of the form by its object name; a test without it could check nothing.
template <typename T> T *child(const QObject &parent, const char *name)
{
    T *widget = parent.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}
inline void press(const QObject &window, const char *button)
{
    child<QPushButton>(window, button)->click();
}

// The contents a table view of `window` lists, row by row.
inline QStringList listed(const QObject &window, const char *view)
{
    const QAbstractItemModel *model = child<QTableView>(window, view)->model();
    QStringList texts;
    for (int r = 0; model && r < model->rowCount(); ++r)
        texts << model->index(r, 1).data().toString();
    return texts;
}
