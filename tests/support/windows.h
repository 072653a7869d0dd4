#pragma once

#include "dialogs.h"
#include "workspace.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QWidget>

// Answers the program's dialogs during a test, in the order given ("yes" confirms, then
// No and empty file names), and remembers what was shown.
class DialogRecorder
{
public:
    explicit DialogRecorder(QStringList answers = {}) : m_answers(std::move(answers))
    {
        Dialogs::setResponder([this](const Dialogs::Request &request) {
            shown.append(request);
            return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        });
    }
    ~DialogRecorder() { Dialogs::setResponder({}); }
    QString text(int i) const { return shown.value(i).text; }
    QList<Dialogs::Request> shown;

private:
    QStringList m_answers;
};

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
inline Rows rowsOf(const QAbstractItemModel *model)
{
    Rows rows;
    for (int r = 0; model && r < model->rowCount(); ++r) {
        rows << QStringList();
        for (int c = 0; c < model->columnCount(); ++c)
            rows.last() << model->index(r, c).data().toString();
    }
    return rows;
}
