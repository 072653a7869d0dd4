#pragma once

#include <QMetaType>
#include <QString>

// One stored reminder: a row of eventtable.
struct Event
{
    QString time;    // 时间: the time text in its kind's form
    QString content; // 内容: the text the user typed, line breaks and all
    QString kind;    // 类型: "y", "m", "d", "t" or "w"

    bool operator==(const Event &other) const
    {
        return time == other.time && content == other.content && kind == other.kind;
    }
};

Q_DECLARE_METATYPE(Event)
