#include "commandline.h"

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
    return {false, false, exitCode, text};
}

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
    if (!parser.parse(own))
        return answer(1, QStringLiteral("tasquill: ") + parser.errorText() + QLatin1Char('\n'));
    if (parser.isSet(version))
        return answer(0, QStringLiteral("tasquill " TASQUILL_VERSION "\n"));
    const bool helpAll = parser.isSet(QStringLiteral("help-all"));
    if (parser.isSet(help) || helpAll) {
        // Without an application object Qt cannot name the executable in the usage line.
        QString text = parser.helpText().replace(QLatin1String("<executable_name>"),
                                                 arguments.value(0, QStringLiteral("tasquill")));
        if (helpAll) {
            text += QStringLiteral("\nQt options:\n");
            for (const QtOption &option : QtOptions)
                text += QStringLiteral("  -%1%2\n")
                            .arg(QLatin1String(option.name),
                                 option.value ? QStringLiteral(" <value>") : QString());
        }
        return answer(0, text);
    }
    return {parser.isSet(userData), platformGiven, std::nullopt, QString()};
}
