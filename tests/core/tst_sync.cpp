#include "syncplan.h"
#include "syncstate.h"
#include "workspace.h"

// A sync's rules as event.db sees them: the records of what was last synced and the rows
// here, the server's news, and the rows and records after the steps.
static const QDateTime Now(QDate(2026, 12, 7), QTime(12, 0));
static const Event Meeting{"星期三 9:07", "开会", Kind::Weekly};
static const Event Edited{"星期三 9:30", "开会（改）", Kind::Weekly};
static const Event Birthday{"2027年3月5日 9:00", "生日", Kind::Once};
static const Event Past{"2026年3月5日 9:00", "去年的", Kind::Once};

static SyncRecord kept(const QString &href, const Event &event, const QString &etag = "1")
{
    return {href, etag, SyncRecord::Form::Kept, event, {}, {}};
}
static SyncPlan::Fetched object(const QString &href, const QList<Event> &events,
                                const QString &leftOut = {}, const QString &error = {},
                                int past = 0)
{
    CalendarImport::Result parsed;
    parsed.events = events;
    parsed.error = error;
    parsed.past = past;
    if (!leftOut.isEmpty())
        parsed.leftOut.append({QStringLiteral("会议"), leftOut});
    return {href, QStringLiteral("2"), parsed};
}
static QStringList texts(const QList<Event> &events)
{
    QStringList out;
    for (const Event &e : events)
        out << e.time + u' ' + e.content;
    out.sort();
    return out;
}

using Records = QList<SyncRecord>;
using Objects = QList<SyncPlan::Fetched>;
Q_DECLARE_METATYPE(SyncRecord)
Q_DECLARE_METATYPE(SyncPlan::Fetched)

class TestSync : public QObject
{
    Q_OBJECT

private slots:
    void fromServer_data()
    {
        columns<Records, QList<Event>, Objects, QStringList, QStringList, QStringList>(
            "records", "here", "changed", "gone", "rows", "forms");
        row("new there: comes", Records(), QList<Event>(), Objects{object("/a", {Meeting})},
            QStringList(), texts({Meeting}), QStringList{"/a kept 开会"});
        row("added on both: one", Records(), QList<Event>{Meeting},
            Objects{object("/a", {Meeting})}, QStringList(), texts({Meeting}),
            QStringList{"/a kept 开会"});
        row("edited there: replaces", Records{kept("/a", Meeting)}, QList<Event>{Meeting},
            Objects{object("/a", {Edited})}, QStringList(), texts({Edited}),
            QStringList{"/a kept 开会（改）"});
        row("edited there, deleted here: the edit wins", Records{kept("/a", Meeting)},
            QList<Event>(), Objects{object("/a", {Edited})}, QStringList(), texts({Edited}),
            QStringList{"/a kept 开会（改）"});
        row("a new version alike, deleted here: stays deleted", Records{kept("/a", Meeting)},
            QList<Event>(), Objects{object("/a", {Meeting})}, QStringList(), QStringList(),
            QStringList{"/a kept 开会"});
        row("deleted there: goes", Records{kept("/a", Meeting), kept("/b", Birthday)},
            QList<Event>{Meeting, Birthday}, Objects(), QStringList{"/a"}, texts({Birthday}),
            QStringList{"/b kept 生日"});
        row("deleted there, another object is it: stays",
            Records{kept("/a", Meeting), kept("/b", Meeting)}, QList<Event>{Meeting}, Objects(),
            QStringList{"/a"}, texts({Meeting}), QStringList{"/b kept 开会"});
        row("edited there beyond keeping: goes, listed", Records{kept("/a", Meeting)},
            QList<Event>{Meeting}, Objects{object("/a", {}, "每 2 个周期一次，无法保持")},
            QStringList(), QStringList(), QStringList{"/a leftout 每 2 个周期一次，无法保持"});
        row("unreadable now: nothing changes", Records{kept("/a", Meeting)}, QList<Event>{Meeting},
            Objects{object("/a", {}, {}, "文件不完整")}, QStringList(), texts({Meeting}),
            QStringList{"/a kept 开会"});
        row("once-only passed there: stays there only", Records(), QList<Event>(),
            Objects{object("/a", {}, {}, {}, 1)}, QStringList(), QStringList(),
            QStringList{"/a passed"});
        row("nothing in it: listed", Records(), QList<Event>(), Objects{object("/a", {})},
            QStringList(), QStringList(), QStringList{"/a leftout 没有事项"});
        row("two events in one object: listed", Records(), QList<Event>(),
            Objects{object("/a", {Meeting, Birthday})}, QStringList(), QStringList(),
            QStringList{"/a leftout 一个对象里有多个事项，无法保持"});
    }
    // Each row: the steps applied to a real event.db, whose rows and records are then read.
    void fromServer()
    {
        QFETCH(Records, records);
        QFETCH(QList<Event>, here);
        Workspace workspace;
        const QString file = workspace.filePath(QStringLiteral("event.db"));
        EventStore store(file);
        QVERIFY(store.open());
        QVERIFY(store.addEvents(here, EventStore::Twins::Add));
        SyncState state(file);
        QList<SyncStep> setUp;
        for (const SyncRecord &record : records)
            setUp.append({std::nullopt, std::nullopt, record, QString()});
        QVERIFY(state.open() && state.apply(setUp));
        QFETCH(Objects, changed);
        QFETCH(QStringList, gone);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, forms);
        QVERIFY(
            state.apply(SyncPlan::fromServer(*state.records(), *state.events(), changed, gone)));
        QCOMPARE(texts(*state.events()), rows);
        QStringList found;
        const QList<SyncRecord> after = *state.records();
        for (const SyncRecord &r : after) {
            found << r.href + (r.form == SyncRecord::Form::Kept     ? " kept " + r.event.content
                               : r.form == SyncRecord::Form::Passed ? QString(" passed")
                                                                    : " leftout " + r.reason);
        }
        found.sort();
        QCOMPARE(found, forms);
    }

    void toServer_data()
    {
        columns<Records, QList<Event>, bool, QStringList, QStringList, QStringList, QStringList>(
            "records", "here", "inHistory", "uploads", "removals", "passed", "forgotten");
        const SyncRecord refused{"/r", "", SyncRecord::Form::LeftOut, Meeting, "开会", "不接受"};
        row("new here: goes up, once for twins", Records{kept("/b", Birthday)},
            QList<Event>{Meeting, Meeting, Birthday}, false, texts({Meeting}), QStringList(),
            QStringList(), QStringList());
        row("deleted here: deleted there", Records{kept("/a", Meeting)}, QList<Event>(), false,
            QStringList(), QStringList{"/a"}, QStringList(), QStringList());
        row("once-only, its moment passed: stays there", Records{kept("/p", Past)}, QList<Event>(),
            false, QStringList(), QStringList(), QStringList{"/p"}, QStringList());
        row("once-only ahead, done early: stays there", Records{kept("/b", Birthday)},
            QList<Event>(), true, QStringList(), QStringList(), QStringList{"/b"}, QStringList());
        row("once-only ahead, deleted: deleted there", Records{kept("/b", Birthday)},
            QList<Event>(), false, QStringList(), QStringList{"/b"}, QStringList(), QStringList());
        row("refused by the server: not offered again", Records{refused}, QList<Event>{Meeting},
            false, QStringList(), QStringList(), QStringList(), QStringList());
        row("refused, then deleted here: forgotten", Records{refused}, QList<Event>(), false,
            QStringList(), QStringList(), QStringList(), QStringList{"/r"});
    }
    void toServer()
    {
        QFETCH(Records, records);
        QFETCH(QList<Event>, here);
        QFETCH(bool, inHistory);
        QFETCH(QStringList, uploads);
        QFETCH(QStringList, removals);
        QFETCH(QStringList, passed);
        QFETCH(QStringList, forgotten);
        const SyncPlan::ToServer plan =
            SyncPlan::toServer(records, here, Now, [&](const Event &) { return inHistory; });
        const auto hrefs = [](const QList<SyncRecord> &records) {
            QStringList out;
            for (const SyncRecord &r : records)
                out << r.href;
            return out;
        };
        QCOMPARE(texts(plan.uploads), uploads);
        QCOMPARE(hrefs(plan.removals), removals);
        QCOMPARE(hrefs(plan.passed), passed);
        QCOMPARE(plan.forgotten, forgotten);
    }

    // The records belong to one calendar: another starts afresh, the rows staying; a step
    // that fails writes neither its row nor its record.
    void calendarsAndFailures()
    {
        Workspace workspace;
        const QString file = workspace.filePath(QStringLiteral("event.db"));
        EventStore store(file);
        QVERIFY(store.open() && store.addEvent(Meeting));
        SyncState state(file);
        QVERIFY(state.open() && state.useCalendar("https://a/cal/") && state.setToken("t1"));
        QVERIFY(state.apply({{std::nullopt, std::nullopt, kept("/a", Meeting), QString()}}));
        QVERIFY(state.useCalendar("https://a/cal/"));
        QCOMPARE(state.token(), QString("t1"));
        QVERIFY(state.useCalendar("https://b/other/"));
        QCOMPARE(state.records()->size(), 0);
        QCOMPARE(state.token(), QString());
        QCOMPARE(texts(*state.events()), texts({Meeting}));
        QCOMPARE(state.inHistory(Birthday), false);
        QVERIFY(DbFile::insert(T::History, "2027年3月5日 9:00|生日|完成|2027年3月5日 9:01|"));
        QCOMPARE(state.inHistory(Birthday), true);

        // A record the file refuses (as a full disk would).
        QVERIFY(DbFile::exec("create trigger refuse before insert on syncitem "
                             "begin select raise(abort, 'refused'); end"));
        QVERIFY(!state.apply({{std::nullopt, Edited, kept("/e", Edited), QString()}}));
        QVERIFY(state.lastError().isError());
        QCOMPARE(texts(*state.events()), texts({Meeting}));
        QCOMPARE(state.records()->size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSync)
#include "tst_sync.moc"
