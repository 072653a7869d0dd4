#pragma once

#include <QList>
#include <QPoint>
#include <QSize>

// Where pop-ups stand: stacked upwards from the lower right of a work area of `area`'s
// size, each one just above the one before, and a new column to the left of the last when
// the next would not fit, each column as wide as its widest window. Like the single pop-up
// it grew from, it counts from the area's size, not its corner.
//
// The wider ones stand first (the lists before the reminder windows), those of one width in
// the order given. That way pop-ups that fit still fit when any of them closes and the rest
// move down: were a narrow one to stand before a wide one, its closing could pull the wide
// one into its column and widen it, pushing the last column out of the area.
namespace PopupLayout {
QList<QPoint> place(const QSize &area, const QList<QSize> &frames);
// Whether every one of `frames` stands wholly inside the area.
bool fits(const QSize &area, const QList<QSize> &frames);
} // namespace PopupLayout
