#include "popuplayout.h"

#include <algorithm>
#include <numeric>

namespace PopupLayout {

QList<QPoint> place(const QSize &area, const QList<QSize> &frames)
{
    QList<qsizetype> order(frames.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&frames](qsizetype a, qsizetype b) {
        return frames.at(a).width() > frames.at(b).width();
    });
    QList<QPoint> points(frames.size());
    int right = area.width();   // of the current column
    int bottom = area.height(); // of the next window in it
    int widest = 0;
    for (qsizetype i : std::as_const(order)) {
        const QSize &frame = frames.at(i);
        if (bottom - frame.height() < 0 && bottom < area.height()) {
            right -= widest;
            bottom = area.height();
            widest = 0;
        }
        points[i] = QPoint(right - frame.width(), bottom - frame.height());
        bottom -= frame.height();
        widest = qMax(widest, frame.width());
    }
    return points;
}

bool fits(const QSize &area, const QList<QSize> &frames)
{
    const QList<QPoint> points = place(area, frames);
    return std::all_of(points.begin(), points.end(),
                       [](const QPoint &point) { return point.x() >= 0 && point.y() >= 0; });
}

} // namespace PopupLayout
