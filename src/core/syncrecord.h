#pragma once

#include "event.h"

#include <QString>

// What the calendar sync last knew of one object of the server's calendar.
struct SyncRecord
{
    enum class Form {
        Kept,    // a reminder here: `event` as it was when last synced
        Passed,  // a once-only reminder whose moment passed: stays on the server, not here
        LeftOut, // an object no reminder can keep exactly: untouched, listed with `reason`
    };
    QString href; // its path on the server, "/user/calendar/….ics"
    QString etag; // its version there when last synced
    Form form = Form::Kept;
    Event event;
    QString summary; // of a LeftOut object, for the list of what is not synced
    QString reason;

    bool operator==(const SyncRecord &other) const
    {
        return href == other.href && etag == other.etag && form == other.form &&
               event == other.event && summary == other.summary && reason == other.reason;
    }
};

// An object of the calendar that is not synced, and why: for the settings window.
struct SyncLeftOut
{
    QString summary;
    QString reason;
};
