#pragma once

#include <QString>

// The per-user autostart entry (freedesktop.org's autostart, in $XDG_CONFIG_HOME/autostart),
// which starts the program in the user's data folder at every login. The program writes it
// once, on its first start in that folder; turning it off is the desktop's business, and a
// removed entry is never written again.
namespace Autostart {

// Where the entry lives.
QString entryPath();
// Writes the entry for `executable` unless one is there already; false, with `error`
// set, when it cannot be written.
bool write(const QString &executable, QString *error = nullptr);

} // namespace Autostart
