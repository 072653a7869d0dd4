#pragma once

#include <QByteArray>

// Which of Qt's platforms the program asks for, decided from the environment before the
// application object exists. A reminder window must stand at the lower right of the screen
// and stay on top, which Wayland lets no program do: on a Wayland session with XWayland
// there (DISPLAY set), the program runs on xcb. Where there is no X11, Qt's choice stands
// (Wayland), and reminders go to the desktop's notification service. What the user chose
// (QT_QPA_PLATFORM, -platform) always stands.
struct PlatformChoice
{
    QByteArray qtQpaPlatform;      // QT_QPA_PLATFORM
    QByteArray waylandDisplay;     // WAYLAND_DISPLAY
    QByteArray sessionType;        // XDG_SESSION_TYPE
    QByteArray display;            // DISPLAY
    bool platformArgument = false; // -platform on the command line

    static PlatformChoice fromEnvironment(bool platformArgument);
    // The platform to ask for; empty to leave it to Qt, or to the user's choice.
    QByteArray platform() const;
};
