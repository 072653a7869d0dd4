#include "adwindow.h"

#include "homepageonly.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcAdWindow, "tasquill.adwindow")

AdWindow::AdWindow(const QUrl &page, QWidget *parent) : QWidget(parent)
{
    ui.setupUi(this);
    setWindowFlags(Qt::ToolTip | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    ui.webView->setPage(new HomePageOnly(page, ui.webView));
    // A page that does not arrive leaves an empty window the user can still close.
    connect(ui.webView, &QWebEngineView::loadFinished, this, [page](bool ok) {
        if (!ok)
            qCInfo(lcAdWindow).noquote() << "cannot load" << page.toString();
    });
    ui.webView->load(page);
    connect(ui.closeButton, &QPushButton::clicked, this, &QWidget::close);
}
