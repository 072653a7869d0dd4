#include "commandline.h"

#include "commands.h"
#include "projectconfig.h"

#include <QCommandLineParser>
#include <algorithm>

namespace {

// Qt's own options as QGuiApplication and QApplication (Qt 6.4) read them, after one dash or
// two. One that takes a value takes the next argument; those marked `equals` also come as
// "-name=value". Qt reads no other form, so none other is let through.
struct QtOption
{
    const char *name;
    bool value;
    bool equals;
};
constexpr QtOption QtOptions[] = {
    {"platform", true, false},      {"platformpluginpath", true, false},
    {"platformtheme", true, false}, {"plugin", true, false},
    {"qmljsdebugger", true, true},  {"qwindowgeometry", true, false},
    {"qwindowicon", true, false},   {"qwindowtitle", true, false},
    {"reverse", false, false},      {"session", true, false},
    {"display", true, false},       {"geometry", true, false},
    {"style", true, true},          {"stylesheet", true, true},
    {"widgetcount", false, false},
};

CommandLine answer(int exitCode, const QString &text)
{
    CommandLine line;
    line.exitCode = exitCode;
    line.text = text;
    return line;
}

const char Usage[] = R"(
子命令（不启动窗口，也不需要显示器）：
  list   [--dir DIR] [yyyy-MM-dd]     列出那一天（默认今天）的提醒：时间、制表符、内容
  add    [--dir DIR] 时间 内容         设置一个提醒，时间的写法如 9:07、星期三 9:07、5日 9:07、
                                     3月5日 9:07、2027年3月5日 9:07、农历八月十五 9:00、
                                     农历每月初一 8:00、工作日 9:00
  export [--dir DIR] 文件.ics          把所有提醒导出为 iCalendar 日历文件
  import [--dir DIR] 文件.ics          导入日历文件中的事件和待办
  sync   [--dir DIR]                  与设置好的 CalDAV 日历双向同步一次
  sync   --set 地址 用户名 [--calendar 日历名] [--trust 指纹] [--dir DIR]
                                     设置同步账户（密码从标准输入读取）；没有这个名字的
                                     日历时新建一个，默认名为 Tasquill
子命令使用 DIR 中的 event.db，没有 --dir 时使用用户数据文件夹（同 --user-data）。
退出码：0 完成；1 被拒绝或输入有误（同步：密码不对、没有账户）；2 文件无法使用
（同步：服务器无法连接或回答有误）。出错时什么也不写入。
)";

} // namespace

CommandLine CommandLine::read(const QStringList &arguments)
{
    // Qt's options go; the rest is ours to read.
    QStringList own = arguments.mid(0, 1);
    bool platformGiven = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        const QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        const auto qt = std::find_if(std::begin(QtOptions), std::end(QtOptions), [&](auto &o) {
            return name == QLatin1String(o.name) ||
                   (o.equals && name.startsWith(QLatin1String(o.name) + QLatin1Char('=')));
        });
        if (!argument.startsWith(QLatin1Char('-')) || qt == std::end(QtOptions)) {
            own << argument;
            continue;
        }
        platformGiven = platformGiven || name == QLatin1String("platform");
        if (qt->value && name == QLatin1String(qt->name) && ++i == arguments.size())
            return answer(1, QStringLiteral("tasquill: Missing value after '%1'.\n").arg(argument));
    }

    // The sync's own options are its helper's to read: what follows "sync" goes there as it
    // is, but for the folder, which this start needs as well.
    QStringList sync;
    for (int i = 1; i < own.size(); ++i) {
        if (own.at(i) == QLatin1String("--dir")) {
            ++i;
        } else if (own.at(i) == QLatin1String("sync")) {
            sync = own.mid(i + 1);
            own = own.mid(0, i + 1);
            for (int j = 0; j < sync.size(); ++j) {
                if (sync.at(j) == QLatin1String("--dir") && j + 1 < sync.size()) {
                    own << sync.takeAt(j) << sync.takeAt(j);
                    --j;
                }
            }
            break;
        } else if (!own.at(i).startsWith(u'-')) {
            break;
        }
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tasquill：定时提醒和今日待办事项。它在通知区域运行，"
                       "把提醒、今日待办和历史记录保存在当前文件夹的 event.db 中。"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption userData(
        QStringLiteral("user-data"),
        QStringLiteral("在用户数据文件夹（$XDG_DATA_HOME/tasquill）中运行，"
                       "并在那里第一次启动时设置登录后自动启动。"));
    parser.addOption(userData);
    const QCommandLineOption dir(QStringLiteral("dir"),
                                 QStringLiteral("子命令使用 <DIR> 中的 event.db。"),
                                 QStringLiteral("DIR"));
    parser.addOption(dir);
    parser.addPositionalArgument(QStringLiteral("子命令"), Commands::names().join(u'|'),
                                 QStringLiteral("[子命令 参数…]"));
    if (!parser.parse(own))
        return answer(1, QStringLiteral("tasquill: ") + parser.errorText() + QLatin1Char('\n'));
    if (parser.isSet(version))
        return answer(0, QStringLiteral("tasquill " TASQUILL_VERSION "\n"));
    const bool helpAll = parser.isSet(QStringLiteral("help-all"));
    if (parser.isSet(help) || helpAll) {
        // Without an application object Qt cannot name the executable in the usage line.
        QString text = parser.helpText().replace(QLatin1String("<executable_name>"),
                                                 arguments.value(0, QStringLiteral("tasquill"))) +
                       QString::fromUtf8(Usage);
        if (helpAll) {
            text += QStringLiteral("\nQt options:\n");
            for (const QtOption &option : QtOptions)
                text += QStringLiteral("  -%1%2\n")
                            .arg(QLatin1String(option.name),
                                 option.value ? QStringLiteral(" <value>") : QString());
        }
        return answer(0, text);
    }
    CommandLine line;
    line.userData = parser.isSet(userData);
    line.platformGiven = platformGiven;
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty() && !Commands::names().contains(positional.first()))
        return answer(1, QStringLiteral("tasquill: 未知的子命令 “%1”，请看 tasquill --help。\n")
                             .arg(positional.first()));
    if (parser.isSet(dir) && positional.isEmpty())
        return answer(1, QStringLiteral("tasquill: --dir 只用于子命令，请看 tasquill --help。\n"));
    line.command = positional.value(0);
    line.commandArguments = positional.mid(1) + sync;
    line.dir = parser.value(dir);
    return line;
}
