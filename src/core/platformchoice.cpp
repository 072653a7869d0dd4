#include "platformchoice.h"

#include <QtGlobal>

PlatformChoice PlatformChoice::fromEnvironment(bool platformArgument)
{
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"),
            qgetenv("DISPLAY"), platformArgument};
}

QByteArray PlatformChoice::platform() const
{
    const bool wayland = !waylandDisplay.isEmpty() || sessionType == "wayland";
    if (platformArgument || !qtQpaPlatform.isEmpty() || !wayland || display.isEmpty())
        return QByteArray();
    return QByteArrayLiteral("xcb");
}
