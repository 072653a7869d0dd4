#include "localzone.h"

#include <QTimeZone>

#include <libical/ical.h>

CalendarExport::Zone localZone()
{
    const QByteArray id = QTimeZone::systemTimeZoneId();
    if (id.isEmpty() || id == "UTC" || !id.contains('/'))
        return {};
    icaltimezone *zone = icaltimezone_get_builtin_timezone(id.constData());
    if (!zone)
        return {};
    icalcomponent *definition = icaltimezone_get_component(zone);
    if (!definition)
        return {};
    // libical names its zones with a prefix of its own: the plain IANA name is what phones
    // and servers know.
    icalcomponent *copy = icalcomponent_new_clone(definition);
    // Only from 2000, where every reminder's first day lies: a century of history would
    // make each object several times its size for every reader to parse.
    icaltimezone_truncate_vtimezone(copy, icaltime_from_string("20000101T000000"),
                                    icaltime_null_time(), 0);
    if (icalproperty *tzid = icalcomponent_get_first_property(copy, ICAL_TZID_PROPERTY))
        icalproperty_set_tzid(tzid, id.constData());
    char *text = icalcomponent_as_ical_string_r(copy);
    CalendarExport::Zone result{id, QByteArray(text)};
    icalmemory_free_buffer(text);
    icalcomponent_free(copy);
    return result;
}
