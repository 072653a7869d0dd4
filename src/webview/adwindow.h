#pragma once

#include "ui_adwindow.h"

#include <QUrl>
#include <QWidget>

// The promotional pop-up: the product's web site in a frameless, always-on-top window,
// with one button that closes it.
class AdWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AdWindow(const QUrl &page, QWidget *parent = nullptr);

private:
    Ui::AdWindow ui;
};
