#include "popuplayout.h"
#include "workspace.h"

#include <QRect>
#include <QtTest>

#include <algorithm>

class TestPopupLayout : public QObject
{
    Q_OBJECT

private slots:
    // Pop-ups as the screen shows them: the widest in the lower right corner, none over
    // another, a new column begun only when the one before has no room for the next, all
    // inside the area when fits() says so, and still inside when any one of them closes.
    void stacking_data()
    {
        columns<QSize, QList<QSize>>("area", "frames");
        const QSize reminder(307, 247), list(460, 300), wide(400, 300);
        row("reminders, lists and a wide one", QSize(1024, 768),
            QList<QSize>{reminder, list, wide, reminder, list, reminder});
        row("nine reminders", QSize(1024, 768), QList<QSize>(9, reminder));
        row("two lists first on a small screen", QSize(800, 600),
            QList<QSize>{reminder, reminder, list, list});
        row("more than fit", QSize(800, 600), QList<QSize>(12, reminder));
    }
    void stacking()
    {
        QFETCH(QSize, area);
        QFETCH(QList<QSize>, frames);
        const QList<QPoint> points = PopupLayout::place(area, frames);
        QList<QRect> rects;
        for (qsizetype i = 0; i < frames.size(); ++i)
            rects << QRect(points.at(i), frames.at(i));
        const auto byWidth = [](const QRect &a, const QRect &b) { return a.width() < b.width(); };
        QCOMPARE(std::max_element(rects.cbegin(), rects.cend(), byWidth)->bottomRight(),
                 QPoint(area.width() - 1, area.height() - 1));
        QMap<int, QList<QRect>> columns; // by right edge, the rightmost first
        for (qsizetype i = 0; i < rects.size(); ++i) {
            for (qsizetype j = i + 1; j < rects.size(); ++j)
                QVERIFY(!rects.at(i).intersects(rects.at(j)));
            QVERIFY(rects.at(i).top() >= 0); // a column ends where the next would not fit
            columns[-rects.at(i).right()] << rects.at(i);
        }
        // A column to the left begins with a window its right neighbour had no room for.
        int roomLeft = -1;
        for (const QList<QRect> &column : std::as_const(columns)) {
            int top = area.height(), first = 0;
            for (const QRect &rect : column) {
                top = qMin(top, rect.top());
                first = rect.bottom() == area.height() - 1 ? rect.height() : first;
            }
            QVERIFY(roomLeft < first);
            roomLeft = top;
        }
        const bool inside = std::all_of(rects.cbegin(), rects.cend(), [&](const QRect &rect) {
            return QRect(QPoint(0, 0), area).contains(rect);
        });
        QCOMPARE(PopupLayout::fits(area, frames), inside);
        for (qsizetype closed = 0; inside && closed < frames.size(); ++closed) {
            QList<QSize> rest = frames;
            rest.removeAt(closed);
            QVERIFY(PopupLayout::fits(area, rest));
        }
    }
};

QTEST_APPLESS_MAIN(TestPopupLayout)
#include "tst_popuplayout.moc"
