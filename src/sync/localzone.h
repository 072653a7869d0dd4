#pragma once

#include "calendarexport.h"

// The computer's time zone for the calendar: its IANA name and its definition (VTIMEZONE)
// from the system's zone data, so that a phone in the same zone rings at the same minute.
// Floating (no zone) when the zone has no such name or no definition: the reminder then
// rings at its wall-clock minute wherever the reader is.
CalendarExport::Zone localZone();
