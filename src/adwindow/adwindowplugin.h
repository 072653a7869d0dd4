#pragma once

#include "adwindowfactory.h"

#include <QObject>

// The plugin's entry point: the program asks it for promotional windows.
class AdWindowPlugin : public QObject, public AdWindowFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID AdWindowFactory_iid)
    Q_INTERFACES(AdWindowFactory)
public:
    QWidget *createAdWindow(const QUrl &page) override;
};
