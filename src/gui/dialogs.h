#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every modal message box and file dialog of the program goes through here, so that a
// test can answer them in advance instead of hanging on a dialog.
class Dialogs
{
public:
    enum class Kind { About, Confirm, Error, OpenFile, SaveFile };

    struct Request
    {
        Kind kind;
        QString title;
        QString text; // the message, or the file dialog's filter
    };

    // QMessageBox::about: one OK button.
    static void about(QWidget *parent, const QString &title, const QString &text);
    // A warning box with Yes and No; true only for Yes (No, Escape and closing are false).
    static bool confirm(QWidget *parent, const QString &title, const QString &text);
    // Something went wrong that the user must know about.
    static void error(QWidget *parent, const QString &title, const QString &text);
    // The platform's file-open dialog; empty when cancelled.
    static QString openFileName(QWidget *parent, const QString &caption, const QString &filter);
    // The platform's file-save dialog, which asks before replacing a file; empty when
    // cancelled.
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &filter);

    // For tests: when set, no dialog is shown; the responder gets each request and returns
    // the answer: "yes" for Yes in a confirmation (anything else is No), or the chosen file
    // name (empty for a cancelled dialog). An empty function shows real dialogs again.
    using Responder = std::function<QString(const Request &)>;
    static void setResponder(Responder responder);
};
