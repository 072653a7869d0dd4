#pragma once

#include <QDateTime>
#include <functional>

// The one place windows read the wall clock. Core logic takes the moment as a parameter;
// windows ask here, and tests set a fixed or stepping clock instead of waiting.
class Clock
{
public:
    static QDateTime now();
    // Replaces the clock; an empty function restores the system clock.
    static void setSource(std::function<QDateTime()> source);
};
