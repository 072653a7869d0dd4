#pragma once

#include "dialogs.h"

#include <QList>
#include <QStringList>

// Answers the program's dialogs during a test and remembers what was shown.
class DialogRecorder
{
public:
    // `answers` are given out in order; when they run out, "no" / an empty file name.
    explicit DialogRecorder(QStringList answers = {}) : m_answers(std::move(answers))
    {
        Dialogs::setResponder([this](const Dialogs::Request &request) {
            shown.append(request);
            return m_answers.isEmpty() ? QString() : m_answers.takeFirst();
        });
    }
    ~DialogRecorder() { Dialogs::setResponder({}); }

    void answer(const QString &next) { m_answers.append(next); }

    QList<Dialogs::Request> shown;

private:
    QStringList m_answers;
};
