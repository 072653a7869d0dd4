#pragma once

#include <QString>

// Which file a path leads to: its device and inode. A file put in place of another (a sync
// tool's rename, a backup put back) has another, and a path that leads nowhere has none.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;

    static FileIdentity of(const QString &path);
    bool exists() const { return inode != 0; }
    bool operator==(const FileIdentity &other) const
    {
        return device == other.device && inode == other.inode;
    }
    bool operator!=(const FileIdentity &other) const { return !(*this == other); }
};
