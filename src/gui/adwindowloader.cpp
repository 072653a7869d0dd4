#include "adwindowloader.h"

#include "adwindowfactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QOpenGLContext>
#include <QPluginLoader>
#include <QUrl>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <cerrno>
#include <sched.h>
#include <sys/wait.h>
#endif

QT_BEGIN_NAMESPACE
// QtGui's setter of the context all others share with. The public way to get one is
// Qt::AA_ShareOpenGLContexts before the application object exists, which loads the OpenGL
// drivers (some 50 MB and a quarter of a second) at every start.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

Q_LOGGING_CATEGORY(lcPromotion, "tasquill.promotion")

namespace {
const QString PluginName = QStringLiteral("tasquill_adwindow");
const char SandboxSwitch[] = "QTWEBENGINE_DISABLE_SANDBOX";

QString &pluginDirectory()
{
    static QString directory;
    return directory;
}

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return getuid() == 0 || geteuid() == 0;
#else
    return false;
#endif
}

// Chromium's sandbox puts each renderer into a new user namespace. Try that in a child of
// our own, which does nothing else and ends at once.
bool userNamespacesAvailable()
{
#ifdef Q_OS_LINUX
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0)
        _exit(unshare(CLONE_NEWUSER) == 0 ? 0 : 1);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
#else
    return true;
#endif
}

// The web engine draws through a context shared with Qt's global one and fails without
// it; made just before the first web view, it costs nothing until then.
void provideShareContext()
{
    if (QOpenGLContext::globalShareContext())
        return;
    // Lives as long as the program, as the one Qt would have made.
    auto *context = new QOpenGLContext;
    if (!context->create())
        qCInfo(lcPromotion) << "no OpenGL context; web pages are drawn in software";
    qt_gl_set_global_share_context(context);
}

AdWindowFactory *loadFactory()
{
    const QString directory =
        pluginDirectory().isEmpty() ? QCoreApplication::applicationDirPath() : pluginDirectory();
    // The suffix and prefix of a library are the platform's; the loader finds them.
    const QString path = QDir(directory).filePath(PluginName);
    QPluginLoader loader(path);
    // The web engine runs threads of its own: unloading it while the program lives on, or
    // in the middle of the program's own exit, would pull code from under them.
    loader.setLoadHints(QLibrary::PreventUnloadHint);
    provideShareContext();
    QObject *instance = loader.instance();
    if (!instance) {
        qCWarning(lcPromotion).noquote()
            << "no promotional window: cannot load" << path << loader.errorString();
        return nullptr;
    }
    auto *factory = qobject_cast<AdWindowFactory *>(instance);
    if (!factory)
        qCWarning(lcPromotion).noquote()
            << "no promotional window:" << path << "is not the window's plugin";
    return factory;
}
} // namespace

QWidget *AdWindowLoader::create(const QUrl &page)
{
    const QByteArray disableSandbox = qgetenv(SandboxSwitch);
    const bool root = runningAsRoot();
    // The child is only started when its answer could matter.
    const bool namespaces = disableSandbox == "1" || root || userNamespacesAvailable();
    const QString reason = refusal(root, namespaces, disableSandbox);
    if (!reason.isEmpty()) {
        qCWarning(lcPromotion).noquote() << "no promotional window:" << reason;
        return nullptr;
    }
    AdWindowFactory *factory = loadFactory();
    return factory ? factory->createAdWindow(page) : nullptr;
}

QString AdWindowLoader::refusal(bool runningAsRoot, bool userNamespaces,
                                const QByteArray &disableSandbox)
{
    if (disableSandbox == "1")
        return QString();
    if (runningAsRoot)
        return QStringLiteral("running as root, where the web engine would end the program "
                              "rather than start without its sandbox");
    if (!userNamespaces)
        return QStringLiteral("new user namespaces are not allowed here, so the web engine "
                              "would end the program for want of a sandbox");
    return QString();
}

void AdWindowLoader::setPluginDirectory(const QString &directory)
{
    pluginDirectory() = directory;
}
