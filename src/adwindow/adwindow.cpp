#include "adwindow.h"

#include <QLoggingCategory>
#include <QWebEnginePage>

Q_LOGGING_CATEGORY(lcAdWindow, "tasquill.adwindow")

AdWindow::AdWindow(const QUrl &page, QWidget *parent) : QWidget(parent)
{
    ui.setupUi(this);
    setWindowFlags(Qt::ToolTip | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);

    // A page that does not arrive, or a renderer that dies, leaves an empty window the user
    // can still close; the reminder program goes on either way.
    connect(ui.webView, &QWebEngineView::loadFinished, this, [page](bool ok) {
        if (!ok)
            qCInfo(lcAdWindow).noquote() << "cannot load" << page.toString();
    });
    connect(ui.webView->page(), &QWebEnginePage::renderProcessTerminated, this,
            [](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                qCWarning(lcAdWindow) << "web page renderer ended" << status << exitCode;
            });
    ui.webView->load(page);

    // Hidden, not destroyed.
    connect(ui.closeButton, &QPushButton::clicked, this, &QWidget::close);
}
