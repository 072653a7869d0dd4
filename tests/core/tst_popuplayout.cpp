#include "popuplayout.h"

#include <QtTest>

class TestPopupLayout : public QObject
{
    Q_OBJECT

private slots:
    // Reminder windows of 307 × 247 on a 1024 × 768 work area: three to a column, the
    // fourth starting the next column to the left, as wide as the widest before it.
    void stacksUpwardsThenLeftwards()
    {
        const QSize reminder(307, 247), wide(400, 300);
        QCOMPARE(PopupLayout::place({1024, 768}, {reminder, wide, reminder, reminder}),
                 QList<QPoint>({{717, 521}, {624, 221}, {317, 521}, {317, 274}}));
        QCOMPARE(PopupLayout::place({1024, 768}, {reminder, reminder, reminder, reminder}),
                 QList<QPoint>({{717, 521}, {717, 274}, {717, 27}, {410, 521}}));
    }
};

QTEST_APPLESS_MAIN(TestPopupLayout)
#include "tst_popuplayout.moc"
