#pragma once

#include "calendarreader.h"

#include <QObject>

// Reads iCalendar files with libical (see CalendarImport for what becomes a reminder).
class IcalReader : public QObject, public CalendarReader
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID CalendarReader_iid)
    Q_INTERFACES(CalendarReader)
public:
    CalendarImport::Result read(const QByteArray &ics, const QDateTime &now) override;
};
