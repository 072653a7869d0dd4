#include "popuplayout.h"
#include "workspace.h"

#include <QtTest>

class TestPopupLayout : public QObject
{
    Q_OBJECT

private slots:
    // Pop-ups as the screen shows them: the widest in the lower right corner (so that closing
    // one never pushes a wider one out), none over another, none above the area (a new column
    // instead, only then), and all inside when fits() says so.
    void stacking_data()
    {
        columns<QSize, QList<QSize>, bool>("area", "frames", "allInside");
        const QSize reminder(307, 247), list(460, 300), wide(400, 300);
        row("reminders, lists and a wide one", QSize(1024, 768),
            QList<QSize>{reminder, list, wide, reminder, list, reminder}, false);
        row("nine reminders, three to a column", QSize(1024, 768), QList<QSize>(9, reminder), true);
        row("two lists first on a small screen", QSize(800, 600),
            QList<QSize>{reminder, reminder, list, list}, true);
    }
    void stacking()
    {
        QFETCH(QSize, area);
        QFETCH(QList<QSize>, frames);
        const QList<QPoint> points = PopupLayout::place(area, frames);
        QList<QRect> rects;
        for (qsizetype i = 0; i < frames.size(); ++i)
            rects << QRect(points.at(i), frames.at(i));
        QRect widest;
        bool inside = true;
        for (qsizetype i = 0; i < rects.size(); ++i) {
            widest = rects.at(i).width() > widest.width() ? rects.at(i) : widest;
            inside = inside && QRect(QPoint(0, 0), area).contains(rects.at(i));
            QVERIFY(rects.at(i).top() >= 0);
            for (qsizetype j = i + 1; j < rects.size(); ++j)
                QVERIFY(!rects.at(i).intersects(rects.at(j)));
        }
        QCOMPARE(widest.bottomRight(), QPoint(area.width() - 1, area.height() - 1));
        QTEST(inside, "allInside");
        QCOMPARE(PopupLayout::fits(area, frames), inside);
    }
};

QTEST_APPLESS_MAIN(TestPopupLayout)
#include "tst_popuplayout.moc"
