#include "XInput.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// A window may vanish between listing and asking about it; that is no error here.
int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

XInput::XInput() : m_display(XOpenDisplay(nullptr)) {
    XSetErrorHandler(IgnoreErrors);
}

XInput::~XInput() {
    if (m_display)
        XCloseDisplay(m_display);
}

QRect XInput::windowRect(const QString& title) {
    const Window root = DefaultRootWindow(m_display);
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    QRect found;
    if (!XQueryTree(m_display, root, &rootReturn, &parent, &children, &count))
        return found;
    for (unsigned i = 0; i < count && found.isEmpty(); ++i) {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(m_display, children[i], &a) || a.map_state != IsViewable)
            continue;
        char* name = nullptr;
        if (!XFetchName(m_display, children[i], &name) || !name)
            continue;
        if (QString::fromUtf8(name).startsWith(title)) {
            int x = 0, y = 0;
            Window child = 0;
            XTranslateCoordinates(m_display, children[i], root, 0, 0, &x, &y, &child);
            found = QRect(x, y, a.width, a.height);
        }
        XFree(name);
    }
    if (children)
        XFree(children);
    return found;
}

void XInput::movePointer(int x, int y) {
    XTestFakeMotionEvent(m_display, -1, x, y, CurrentTime);
    XSync(m_display, False);
}

void XInput::click(int x, int y) {
    movePointer(x, y);
    XTestFakeButtonEvent(m_display, 1, True, CurrentTime);
    XTestFakeButtonEvent(m_display, 1, False, CurrentTime);
    XSync(m_display, False);
}

void XInput::pressRight() {
    tapKey(XK_Right);
}

void XInput::pressEscape() {
    tapKey(XK_Escape);
}

void XInput::tapKey(unsigned long keysym) {
    const KeyCode code = XKeysymToKeycode(m_display, keysym);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XFlush(m_display);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    XFlush(m_display);
}
