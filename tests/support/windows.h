#pragma once

#include "dialogs.h"
#include "mainwindow.h"
#include "missedwindow.h"
#include "msgwindow.h"
#include "projectconfig.h"
#include "workspace.h"

#include <QSoundEffect>
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

// The texts of the reminders on screen (in windows or the list inside the work area), sorted.
inline QStringList shownTexts()
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QStringList texts;
    for (MsgWindow *reminder : visibleWindows<MsgWindow>()) {
        if (area.contains(reminder->frameGeometry()))
            texts << child<QTextEdit>(*reminder, "msgTextEdit")->toPlainText();
    }
    if (auto *list = window<MissedWindow>(); list && area.contains(list->frameGeometry())) {
        const QAbstractItemModel *rows = list->findChild<QTableView *>()->model();
        for (int r = 0; r < rows->rowCount(); ++r)
            texts << rows->index(r, 2).data().toString();
    }
    texts.sort();
    return texts;
}

// What the chime plays ("looping", "once", ""), asked of the sound plugin in its thread.
inline QString chime(const MainWindow &main)
{
    QString playing, dir = QCoreApplication::applicationDirPath() + "/" TASQUILL_HELPER_DIR;
    const auto ask = [&] {
        for (auto *sound :
             QPluginLoader(dir + "/tasquill_sound").instance()->findChildren<QSoundEffect *>())
            playing += !sound->isPlaying() ? "" : sound->loopCount() < 0 ? "looping" : "once";
    };
    QObject there; // in the sound thread; with none, asked here rather than never
    there.moveToThread(main.findChild<QThread *>());
    QMetaObject::invokeMethod(&there, ask,
                              there.thread() ? Qt::BlockingQueuedConnection : Qt::DirectConnection);
    return playing;
}

inline void deleteClosedWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
