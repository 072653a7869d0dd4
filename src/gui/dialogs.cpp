#include "dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {
Dialogs::Responder &responder()
{
    static Dialogs::Responder current;
    return current;
}
} // namespace

void Dialogs::about(QWidget *parent, const QString &title, const QString &text)
{
    if (responder()) {
        responder()({Kind::About, title, text});
        return;
    }
    QMessageBox::about(parent, title, text);
}

bool Dialogs::confirm(QWidget *parent, const QString &title, const QString &text)
{
    if (responder())
        return responder()({Kind::Confirm, title, text}) == QLatin1String("yes");
    return QMessageBox::warning(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void Dialogs::error(QWidget *parent, const QString &title, const QString &text)
{
    if (responder()) {
        responder()({Kind::Error, title, text});
        return;
    }
    QMessageBox::critical(parent, title, text);
}

QString Dialogs::openFileName(QWidget *parent, const QString &caption, const QString &filter)
{
    if (responder())
        return responder()({Kind::OpenFile, caption, filter});
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString Dialogs::saveFileName(QWidget *parent, const QString &caption, const QString &filter)
{
    if (responder())
        return responder()({Kind::SaveFile, caption, filter});
    return QFileDialog::getSaveFileName(parent, caption, QStringLiteral("tasquill.ics"), filter);
}

void Dialogs::setResponder(Responder newResponder)
{
    responder() = std::move(newResponder);
}
