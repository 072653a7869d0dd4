// tasquill-sync: the calendar sync, a program of its own that `tasquill sync` becomes and
// the reminder program starts in the background, so that neither the network library nor a
// slow server ever comes near the reminder clock.
#include "synccommand.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTextStream>

#include <sys/stat.h>

int main(int argc, char *argv[])
{
    umask(077);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tasquill"));
    QStringList arguments = app.arguments().mid(1);
    QString folder;
    // As the program passes it first, or as the user wrote it: the last one holds.
    for (int i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == QLatin1String("--dir")) {
            folder = arguments.at(i + 1);
            arguments.remove(i, 2);
            --i;
        }
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (folder.isEmpty()) {
        err << QStringLiteral("tasquill sync：没有给出数据文件夹。") << Qt::endl;
        return Commands::Refused;
    }
    return SyncCommand(folder, out, err).run(arguments);
}
