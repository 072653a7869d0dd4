#pragma once

#include <QString>

// What went wrong with event.db, for the window that tells the user (which words it) and
// for the log. A value, so that the core keeps no sentence of the user's language.
struct StoreError
{
    // What the program was doing; None for a state the user is told of on its own.
    enum class Action { None, Open, Upgrade, Write, Read };
    enum class Cause {
        None,         // nothing went wrong
        Locked,       // another program holds the file
        ReadOnly,     // SQLite was refused a write
        DiskFull,     //
        Damaged,      // not a database, or a damaged one: never written to
        NoPermission, //
        CannotOpen,   // a folder in its place, or no way to open it
        Moved,        // replaced or moved away just as it was written
        NotOpen,      // never opened
        UnknownKind,  // an event of no kind this program stores
        Layout,       // a table of an earlier version with other columns: see `layout`
        CannotSave,   // the file can be read but not written: reminders go on
        Gone,         // the file (or its folder) was deleted: reminders go on from memory
        Other,        // SQLite's own message in `detail`
    };

    StoreError() = default;
    StoreError(Action action, Cause cause, const QString &file)
        : action(action), cause(cause), file(file)
    {
    }

    Action action = Action::None;
    Cause cause = Cause::None;
    QString file;   // the file's absolute path
    QString detail; // SQLite's message (Other)
    // A table of an earlier version that has other columns than the program's (Layout).
    struct Layout
    {
        QString table;
        int columns = 0, expected = 0;
    } layout;
    // A failed upgrade left the file as it was.
    bool unchanged = false;

    bool isError() const { return cause != Cause::None; }
    // What SQLite's (extended) result code means for the user.
    static Cause causeOf(int sqliteCode);
    // For the log and test output; not for the user.
    QString debugText() const;
};
