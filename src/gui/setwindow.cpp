#include "setwindow.h"

#include "clock.h"
#include "dialogs.h"
#include "eventstore.h"
#include "storeerrortext.h"
#include "timetext.h"

SetWindow::SetWindow(EventStore &store, QWidget *parent) : QWidget(parent), m_store(store)
{
    ui.setupUi(this);
    ui.wComboBox->addItems(TimeText::weekdayNames());
    ui.lmComboBox->addItems(TimeText::lunarMonthNames());
    ui.ldComboBox->addItems(TimeText::lunarDayNames());
    ui.kdComboBox->addItems(TimeText::lunarDayNames());
    ui.ymdtdateTimeEdit->setDateTime(Clock::now());

    connect(ui.ymdOkButton, &QPushButton::clicked, this, &SetWindow::yWriteIntoDB);
    connect(ui.mdOkButton, &QPushButton::clicked, this, &SetWindow::mWriteIntoDB);
    connect(ui.dOkButton, &QPushButton::clicked, this, &SetWindow::dWriteIntoDB);
    connect(ui.tOkButton, &QPushButton::clicked, this, &SetWindow::tWriteIntoDB);
    connect(ui.wOkButton, &QPushButton::clicked, this, &SetWindow::wWriteIntoDB);
    connect(ui.lOkButton, &QPushButton::clicked, this, &SetWindow::lWriteIntoDB);
    connect(ui.kOkButton, &QPushButton::clicked, this, &SetWindow::kWriteIntoDB);
    connect(ui.gOkButton, &QPushButton::clicked, this, &SetWindow::gWriteIntoDB);
}

bool SetWindow::writeIntoDB(const Event &event)
{
    const QString title = QStringLiteral("事项设置");
    if (!m_store.addEvent(event)) {
        // The input stays in the window, so the user can try again once the cause is fixed.
        Dialogs::error(this, title,
                       QStringLiteral("事项设置失败：") + storeErrorText(m_store.lastError()));
        return false;
    }
    Dialogs::about(this, title, QStringLiteral("事项设置成功！"));
    emit sRMainWindow();
    return true;
}

void SetWindow::yWriteIntoDB()
{
    const QDateTime chosen = ui.ymdtdateTimeEdit->dateTime();
    // A once-only reminder must lie ahead, or it could never fire.
    if (!(Clock::now() < chosen)) {
        Dialogs::about(this, QStringLiteral("警告"),
                       QStringLiteral("您输入的是过期时间，请重新输入！"));
        return;
    }
    writeIntoDB({TimeText::composeOnce(chosen), ui.ymdtextEdit->toPlainText(), Kind::Once});
}

void SetWindow::mWriteIntoDB()
{
    writeIntoDB(
        {TimeText::composeYearly(ui.mSpinBox->value(), ui.dSpinBox->value(), ui.mdTimeEdit->time()),
         ui.mdTextEdit->toPlainText(), Kind::Yearly});
}

void SetWindow::dWriteIntoDB()
{
    writeIntoDB({TimeText::composeMonthly(ui.dSpinBox2->value(), ui.dTimeEdit->time()),
                 ui.dTextEdit->toPlainText(), Kind::Monthly});
}

void SetWindow::tWriteIntoDB()
{
    writeIntoDB(
        {TimeText::composeDaily(ui.tTimeEdit->time()), ui.tTextEdit->toPlainText(), Kind::Daily});
}

void SetWindow::wWriteIntoDB()
{
    writeIntoDB({TimeText::composeWeekly(ui.wComboBox->currentText(), ui.wTimeEdit->time()),
                 ui.wTextEdit->toPlainText(), Kind::Weekly});
}

// The boxes list the names in order, so the n-th entry is month or day n.
void SetWindow::lWriteIntoDB()
{
    writeIntoDB(
        {TimeText::composeLunarYearly(ui.lmComboBox->currentIndex() + 1,
                                      ui.ldComboBox->currentIndex() + 1, ui.lTimeEdit->time()),
         ui.lTextEdit->toPlainText(), Kind::LunarYearly});
}

void SetWindow::gWriteIntoDB()
{
    writeIntoDB({TimeText::composeWorkday(ui.gTimeEdit->time()), ui.gTextEdit->toPlainText(),
                 Kind::Workday});
}

void SetWindow::kWriteIntoDB()
{
    writeIntoDB(
        {TimeText::composeLunarMonthly(ui.kdComboBox->currentIndex() + 1, ui.kTimeEdit->time()),
         ui.kTextEdit->toPlainText(), Kind::LunarMonthly});
}
