#include "app/LockKeys.h"

#include <QGuiApplication>
#include <X11/XKBlib.h>

LockKeyState QueryLockKeys() {
    LockKeyState state;
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return state;
    unsigned indicators = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &indicators) != Success)
        return state;
    // Indicator bits as the core keyboard map lays them out: Caps Lock 0, Num Lock 1.
    state.capsLock = (indicators & 0x1) != 0;
    state.numLock = (indicators & 0x2) != 0;
    state.known = true;
    return state;
}
