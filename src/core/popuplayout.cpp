#include "popuplayout.h"

namespace PopupLayout {

QList<QPoint> place(const QSize &area, const QList<QSize> &frames)
{
    QList<QPoint> points;
    int right = area.width();   // of the current column
    int bottom = area.height(); // of the next window in it
    int widest = 0;
    for (const QSize &frame : frames) {
        if (bottom - frame.height() < 0 && bottom < area.height()) {
            right -= widest;
            bottom = area.height();
            widest = 0;
        }
        points.append(QPoint(right - frame.width(), bottom - frame.height()));
        bottom -= frame.height();
        widest = qMax(widest, frame.width());
    }
    return points;
}

} // namespace PopupLayout
