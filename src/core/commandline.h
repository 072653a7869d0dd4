#pragma once

#include <QStringList>
#include <optional>

// What a start asks for on its command line, read before any application object exists:
// --help and --version answer on a terminal without a display, and a plain start pays for
// no application object besides the one it runs on. Qt's own options (-platform xcb,
// -style=fusion, ...) are let through as Qt reads them: QApplication takes them out of argv
// itself.
struct CommandLine
{
    bool userData = false;      // --user-data: work in the user's data folder
    bool platformGiven = false; // Qt's -platform is among the arguments
    // A sub-command (list, add, export, import) with its arguments and the folder of its
    // event.db (--dir; empty for the user data folder): run instead of the program.
    QString command;
    QStringList commandArguments;
    QString dir;
    // Set when the start only answers and leaves with this code: `text` is for standard
    // output when the code is 0, for standard error otherwise.
    std::optional<int> exitCode;
    QString text;

    // `arguments` as the program got them, its own name first.
    static CommandLine read(const QStringList &arguments);
};
