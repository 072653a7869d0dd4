#include "syncplan.h"

#include "schedule.h"

#include <QHash>
#include <QSet>

namespace SyncPlan {

namespace {

// A reminder as a key: the same reminder, the same key.
QString keyOf(const Event &event)
{
    return QString::number(int(event.kind)) + u'\t' + event.time + u'\n' + event.content;
}

// The record an object read anew gets, with the reminder it is when it is one.
SyncRecord recordOf(const Fetched &object, const SyncRecord *before)
{
    SyncRecord record{object.href, object.etag, SyncRecord::Form::Kept, {}, {}, {}};
    const CalendarImport::Result &parsed = object.parsed;
    if (parsed.error.isEmpty() && parsed.leftOut.isEmpty() && parsed.events.size() == 1) {
        record.event = parsed.events.first();
        return record;
    }
    if (parsed.error.isEmpty() && parsed.leftOut.isEmpty() && parsed.events.isEmpty() &&
        parsed.past > 0) {
        record.form = SyncRecord::Form::Passed;
        if (before)
            record.event = before->event;
        return record;
    }
    record.form = SyncRecord::Form::LeftOut;
    if (!parsed.error.isEmpty()) {
        record.reason = parsed.error;
    } else if (!parsed.leftOut.isEmpty()) {
        record.summary = parsed.leftOut.first().summary;
        record.reason = parsed.leftOut.first().reason;
    } else if (parsed.events.size() > 1) {
        record.summary = parsed.events.first().content.section(u'\n', 0, 0);
        record.reason = QStringLiteral("一个对象里有多个事项，无法保持");
    } else {
        record.reason = QStringLiteral("没有事项");
    }
    return record;
}

} // namespace

QList<SyncStep> fromServer(const QList<SyncRecord> &records, const QList<Event> &here,
                           const QList<Fetched> &changed, const QStringList &gone)
{
    QHash<QString, SyncRecord> byHref;
    // How many objects of the server are each reminder: it stays while one still is.
    QHash<QString, int> kept;
    for (const SyncRecord &record : records) {
        byHref.insert(record.href, record);
        if (record.form == SyncRecord::Form::Kept)
            ++kept[keyOf(record.event)];
    }
    QSet<QString> rows;
    for (const Event &event : here)
        rows.insert(keyOf(event));
    // What this side had of a record that changed or went: its reminder, when it is still
    // here unedited and no other object keeps it.
    const auto stillHere = [&](const SyncRecord *before) -> std::optional<Event> {
        if (before && before->form == SyncRecord::Form::Kept &&
            rows.contains(keyOf(before->event)) && kept.value(keyOf(before->event)) == 1)
            return before->event;
        return std::nullopt;
    };
    // The record of `href` becomes `record` (none: forgotten).
    const auto replace = [&](const QString &href, const SyncRecord *record) {
        const auto found = byHref.constFind(href);
        if (found != byHref.cend() && found->form == SyncRecord::Form::Kept)
            --kept[keyOf(found->event)];
        if (!record) {
            byHref.remove(href);
            return;
        }
        if (record->form == SyncRecord::Form::Kept)
            ++kept[keyOf(record->event)];
        byHref.insert(href, *record);
    };

    QList<SyncStep> steps;
    for (const Fetched &object : changed) {
        const auto found = byHref.constFind(object.href);
        const SyncRecord *before = found == byHref.cend() ? nullptr : &*found;
        // An object that cannot be read now (cut short, not iCalendar) changes nothing here:
        // with its old version kept, it is read again next time.
        if (before && !object.parsed.error.isEmpty())
            continue;
        const SyncRecord record = recordOf(object, before);
        SyncStep step;
        step.record = record;
        const bool unchanged = before && before->form == SyncRecord::Form::Kept &&
                               record.form == SyncRecord::Form::Kept &&
                               before->event == record.event;
        if (record.form != SyncRecord::Form::Passed && !unchanged) {
            step.remove = stillHere(before);
            // An edit there wins over a deletion here: what was written elsewhere comes.
            if (record.form == SyncRecord::Form::Kept)
                step.add = record.event;
        }
        if (step.remove)
            rows.remove(keyOf(*step.remove));
        if (step.add)
            rows.insert(keyOf(*step.add));
        replace(record.href, &record);
        steps.append(step);
    }
    for (const QString &href : gone) {
        const auto found = byHref.constFind(href);
        if (found == byHref.cend())
            continue;
        SyncStep step;
        step.remove = stillHere(&*found);
        step.drop = href;
        if (step.remove)
            rows.remove(keyOf(*step.remove));
        replace(href, nullptr);
        steps.append(step);
    }
    return steps;
}

ToServer toServer(const QList<SyncRecord> &records, const QList<Event> &here, const QDateTime &now,
                  const std::function<bool(const Event &)> &inHistory)
{
    ToServer plan;
    QSet<QString> rows;
    for (const Event &event : here)
        rows.insert(keyOf(event));
    QSet<QString> onServer;
    for (const SyncRecord &record : records) {
        if (record.form == SyncRecord::Form::LeftOut && !record.event.time.isEmpty()) {
            if (rows.contains(keyOf(record.event)))
                onServer.insert(keyOf(record.event));
            else
                plan.forgotten.append(record.href);
        }
        if (record.form != SyncRecord::Form::Kept)
            continue;
        onServer.insert(keyOf(record.event));
        if (rows.contains(keyOf(record.event)))
            continue;
        // A once-only reminder leaves the rows when it is done or its moment passes: that is
        // no deletion, and the calendar keeps it.
        const std::optional<Schedule> schedule = Schedule::read(record.event.time);
        const bool once = record.event.kind == Kind::Once && schedule;
        if (once && (QDateTime(schedule->date, schedule->time) <= now || inHistory(record.event)))
            plan.passed.append(record);
        else
            plan.removals.append(record);
    }
    for (const Event &event : here) {
        if (!onServer.contains(keyOf(event))) {
            onServer.insert(keyOf(event));
            plan.uploads.append(event);
        }
    }
    return plan;
}

} // namespace SyncPlan
