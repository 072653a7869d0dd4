#include "schema.h"

namespace Schema {

namespace {
struct KindCode
{
    Kind kind;
    const char *code;
};
constexpr KindCode KindCodes[] = {
    {Kind::Once, "y"},   {Kind::Yearly, "m"},      {Kind::Monthly, "d"},      {Kind::Daily, "t"},
    {Kind::Weekly, "w"}, {Kind::LunarYearly, "l"}, {Kind::LunarMonthly, "k"}, {Kind::Workday, "g"},
};
} // namespace

QString kindCode(Kind kind)
{
    for (const KindCode &k : KindCodes) {
        if (k.kind == kind)
            return QString::fromLatin1(k.code);
    }
    return QString();
}

Kind kindOf(const QString &code)
{
    for (const KindCode &k : KindCodes) {
        if (code == QLatin1String(k.code))
            return k.kind;
    }
    return Kind::Other;
}

QString statusText(Status status)
{
    return status == Status::Done     ? QStringLiteral("完成")
           : status == Status::Missed ? QStringLiteral("未完成")
                                      : QString();
}

Status statusOf(const QString &text)
{
    for (const Status status : {Status::Done, Status::Missed}) {
        if (text == statusText(status))
            return status;
    }
    return Status::Other;
}

} // namespace Schema
