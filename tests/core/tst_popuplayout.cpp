#include "popuplayout.h"

#include <QtTest>

class TestPopupLayout : public QObject
{
    Q_OBJECT

private slots:
    // On a 1024 × 768 work area: the wider window first, at the lower right, reminder windows
    // of 307 × 247 above it, and the next column to the left of the widest in the first.
    // Closing a reminder never pushes a list out: on 800 × 600 the lists stand first.
    void stacksUpwardsThenLeftwards()
    {
        const QSize reminder(307, 247), wide(400, 300), list(460, 300);
        QCOMPARE(PopupLayout::place({1024, 768}, {reminder, wide, reminder, reminder}),
                 QList<QPoint>({{717, 221}, {624, 468}, {317, 521}, {317, 274}}));
        QVERIFY(PopupLayout::fits({800, 600}, {reminder, reminder, list, list}));
        QVERIFY(PopupLayout::fits({800, 600}, {reminder, list, list}));
        QVERIFY(!PopupLayout::fits({800, 600}, {reminder, reminder, reminder, list, list}));
    }
};

QTEST_APPLESS_MAIN(TestPopupLayout)
#include "tst_popuplayout.moc"
