#pragma once

#include "clock.h"
#include "eventstore.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// A test's own working folder, made the current directory, where the program finds and
// leaves its files (event.db, config.txt, the default sound). Given a moment, the program's
// clock is held there until setNow() moves it. Both are put back when the workspace goes,
// so have one at a time.
class Workspace
{
public:
    explicit Workspace(const QDateTime &now = QDateTime()) : m_previousDir(QDir::currentPath())
    {
        QDir::setCurrent(m_dir.path());
        if (now.isValid())
            setNow(now);
    }
    ~Workspace()
    {
        Clock::setSource({});
        QDir::setCurrent(m_previousDir);
    }
    Workspace(const Workspace &) = delete;
    Workspace &operator=(const Workspace &) = delete;

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    QDateTime now() const { return m_now; }
    void setNow(const QDateTime &now)
    {
        m_now = now;
        Clock::setSource([this] { return m_now; });
    }

    // A store on event.db here, already opened: see isOpen() and lastError().
    std::unique_ptr<EventStore> openStore() const
    {
        auto store = std::make_unique<EventStore>(QStringLiteral("event.db"));
        store->open();
        return store;
    }

    // Stores `events` in event.db here, as an earlier run of the program would have.
    void addEvents(const QList<Event> &events) const
    {
        const auto store = openStore();
        for (const Event &event : events)
            QVERIFY2(store->addEvent(event), qPrintable(store->lastError()));
    }

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    QDateTime m_now;
};
