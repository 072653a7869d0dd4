#include "storeerrortext.h"

namespace {

using Cause = StoreError::Cause;

QString reason(const StoreError &error)
{
    switch (error.cause) {
    case Cause::None:
        return QString();
    case Cause::Locked:
        return QStringLiteral("文件正被另一个程序使用（已锁定）。请关闭那个程序，或稍后再试。");
    case Cause::ReadOnly:
        return QStringLiteral("文件是只读的。请让该文件和它所在的文件夹可以写入。");
    case Cause::DiskFull:
        return QStringLiteral("磁盘已满。请腾出一些磁盘空间后再试。");
    case Cause::Damaged:
        return QStringLiteral(
            "这不是数据库文件，或文件已损坏。Tasquill 不会改动它；请把它移到别处保存，"
            "然后重新启动 Tasquill，以新建一个数据库。");
    case Cause::NoPermission:
        return QStringLiteral("没有权限打开或写入该文件。请检查该文件和它所在的文件夹的权限。");
    case Cause::CannotOpen:
        return QStringLiteral("无法打开该文件：它可能是一个文件夹，或没有权限打开或写入。"
                              "请检查该路径和它所在的文件夹。");
    case Cause::Moved:
        return QStringLiteral("文件刚被另一个程序替换或移走了。请再试一次。");
    case Cause::NotOpen:
        return QStringLiteral("数据库没有打开");
    case Cause::UnknownKind:
        return QStringLiteral("事项类型未知");
    case Cause::Layout:
        return QStringLiteral("表 %1 有 %2 列，应有 %3 列")
            .arg(error.layout.table)
            .arg(error.layout.columns)
            .arg(error.layout.expected);
    case Cause::CannotSave:
        return QStringLiteral(
                   "数据库文件 %1 只能读取，不能写入：提醒照常进行，但新设置、完成和删除的事项"
                   "都无法保存。请让该文件和它所在的文件夹可以写入，然后重新启动 Tasquill。")
            .arg(error.file);
    case Cause::Gone:
        return QStringLiteral("数据库文件 %1 已不在原处：它或它所在的文件夹被删除或移走了。"
                              "提醒照常按已读入的事项进行，但新设置、完成和删除的事项都无法保存。"
                              "请把该文件放回原处；放回以后 Tasquill 会接着使用它。")
            .arg(error.file);
    case Cause::Other:
        break;
    }
    return error.detail;
}

QString actionText(StoreError::Action action)
{
    switch (action) {
    case StoreError::Action::Open:
        return QStringLiteral("无法打开数据库文件");
    case StoreError::Action::Upgrade:
        return QStringLiteral("无法升级数据库文件");
    case StoreError::Action::Write:
        return QStringLiteral("无法写入数据库文件");
    case StoreError::Action::Read:
        return QStringLiteral("无法读取数据库文件");
    case StoreError::Action::None:
        break;
    }
    return QString();
}

} // namespace

QString storeErrorText(const StoreError &error)
{
    if (error.action == StoreError::Action::None)
        return reason(error);
    return QStringLiteral("%1 %2：%3%4")
        .arg(actionText(error.action), error.file, reason(error),
             error.unchanged ? QStringLiteral("（文件未作改动）") : QString());
}
