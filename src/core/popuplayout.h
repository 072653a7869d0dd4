#pragma once

#include <QList>
#include <QPoint>
#include <QSize>

// Where pop-ups stand: stacked upwards from the lower right of a work area of `area`'s
// size, each one just above the one before, and a new column to the left of the last when
// the next would not fit, each column as wide as its widest window. Like the single pop-up
// it grew from, it counts from the area's size, not its corner.
namespace PopupLayout {
QList<QPoint> place(const QSize &area, const QList<QSize> &frames);
}
