#pragma once

#include <QString>

#include <functional>

class QObject;

// Whether a host name resolves, asked of the system's resolver on a thread of its own (the
// question can take seconds). Plain getaddrinfo rather than Qt Network, which with its
// Kerberos and proxy libraries would cost every start a millisecond or two to load, for a
// question asked every few hours.
namespace HostLookup {

// Calls `done` in `context`'s thread with an empty text when `host` resolves, or the
// resolver's reason when not; never once `context` is gone.
void lookUp(const QString &host, QObject *context, std::function<void(const QString &error)> done);

} // namespace HostLookup
