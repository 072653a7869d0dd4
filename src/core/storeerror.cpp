#include "storeerror.h"

#include <sqlite3.h>

namespace {
const char *const ActionNames[] = {"", "open", "upgrade", "write", "read"};
const char *const CauseNames[] = {
    "none",  "locked",   "read-only",    "disk full", "damaged",     "no permission", "cannot open",
    "moved", "not open", "unknown kind", "layout",    "cannot save", "gone",          "other"};
} // namespace

QString StoreError::debugText() const
{
    QString text = QString::fromLatin1(ActionNames[int(action)]);
    if (!text.isEmpty())
        text += QLatin1String(" failed: ");
    text += QString::fromLatin1(CauseNames[int(cause)]) + QLatin1String(": ") + file;
    if (!detail.isEmpty())
        text += QLatin1String(" (") + detail + u')';
    return text;
}

StoreError::Cause StoreError::causeOf(int sqliteCode)
{
    if (sqliteCode == SQLITE_READONLY_DBMOVED)
        return Cause::Moved;
    switch (sqliteCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Cause::Locked;
    case SQLITE_READONLY:
        return Cause::ReadOnly;
    case SQLITE_FULL:
        return Cause::DiskFull;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return Cause::Damaged;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return Cause::NoPermission;
    case SQLITE_CANTOPEN:
        return Cause::CannotOpen;
    default:
        return Cause::Other;
    }
}
