#include "promotion.h"

#include "projectconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QProcess>
#include <QScreen>
#include <QUrl>

Q_LOGGING_CATEGORY(lcPromotion, "tasquill.promotion")

namespace {
// The size of the helper's window, to place it at the lower right as the reminders are.
const QSize WindowSize(368, 574);
} // namespace

Promotion::~Promotion()
{
    for (QProcess *helper : std::as_const(m_helpers)) {
        helper->disconnect(this);
        helper->terminate();
        if (!helper->waitForFinished(3000)) {
            helper->kill();
            helper->waitForFinished(1000);
        }
    }
}

bool Promotion::show(const QUrl &page)
{
    const QString program = QDir(QCoreApplication::applicationDirPath())
                                .filePath(TASQUILL_HELPER_DIR "/tasquill-webview");
    const QSize area = QGuiApplication::primaryScreen()->availableGeometry().size();
    auto *helper = new QProcess(this);
    helper->setProcessChannelMode(QProcess::ForwardedChannels);
    helper->start(program, {page.toString(), QString::number(area.width() - WindowSize.width()),
                            QString::number(area.height() - WindowSize.height())});
    if (!helper->waitForStarted(5000)) {
        qCWarning(lcPromotion).noquote()
            << "no promotional window:" << program << helper->errorString();
        delete helper;
        return false;
    }
    m_helpers.append(helper);
    connect(helper, &QProcess::finished, this,
            [this, helper](int code, QProcess::ExitStatus status) {
                if (status == QProcess::CrashExit || code != 0)
                    qCInfo(lcPromotion)
                        << "the promotional window's helper ended with" << code << status;
                m_helpers.removeOne(helper);
                helper->deleteLater();
            });
    return true;
}
