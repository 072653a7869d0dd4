#pragma once

#include <QtPlugin>

class QUrl;
class QWidget;

// What the promotional window's plugin offers. The window embeds a web engine, which costs
// tens of megabytes and milliseconds when merely linked into a program, so it lives in a
// plugin that is loaded only when a window is first wanted.
class AdWindowFactory
{
public:
    virtual ~AdWindowFactory() = default;
    // A new promotional window without parent, loading `page`, not yet shown.
    virtual QWidget *createAdWindow(const QUrl &page) = 0;
};

#define AdWindowFactory_iid "org.tasquill.AdWindowFactory/1.0"
Q_DECLARE_INTERFACE(AdWindowFactory, AdWindowFactory_iid)
