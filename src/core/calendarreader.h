#pragma once

#include "calendarimport.h"

#include <QtPlugin>

// What reads an iCalendar file through libical: the plugin tasquill_ical, loaded at the first
// import, so that libical is not loaded at every start of the program.
class CalendarReader
{
public:
    virtual ~CalendarReader() = default;
    virtual CalendarImport::Result read(const QByteArray &ics, const QDateTime &now) = 0;
};

#define CalendarReader_iid "org.tasquill.CalendarReader/1"
Q_DECLARE_INTERFACE(CalendarReader, CalendarReader_iid)
