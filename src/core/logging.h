#pragma once

#include <QLoggingCategory>

// The logging categories that several files share, one definition each
// (QT_LOGGING_RULES="tasquill.clock.debug=true" shows the clock's decisions). Categories of
// one file only are defined there.
Q_DECLARE_LOGGING_CATEGORY(lcStore) // tasquill.store: event.db, its upgrade
Q_DECLARE_LOGGING_CATEGORY(lcClock) // tasquill.clock: the minutes checked, the wakes
Q_DECLARE_LOGGING_CATEGORY(lcSound) // tasquill.sound: the settings file, the player
