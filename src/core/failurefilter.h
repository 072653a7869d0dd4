#pragma once

#include <QSet>
#include <QString>

// Lets each distinct failure through once until things go well again, so that a failure
// that repeats at every tick or reload does not bury the screen in message boxes, while
// a failure after a recovery is news again.
class FailureFilter
{
public:
    // True the first time `message` comes since the last reset().
    bool firstTime(const QString &message)
    {
        if (m_told.contains(message))
            return false;
        m_told.insert(message);
        return true;
    }
    // Things went well: every failure is news again.
    void reset() { m_told.clear(); }

private:
    QSet<QString> m_told;
};
