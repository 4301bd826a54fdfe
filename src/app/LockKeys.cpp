#include "app/LockKeys.h"

#include <QGuiApplication>
#include <X11/XKBlib.h>
#include <cstring>

QString CapsLockPaneText(const LockKeyState& state) {
    return state.capsLock ? QStringLiteral("CAP") : QString();
}

QString NumLockPaneText(const LockKeyState& state) {
    return state.numLock ? QStringLiteral("NUM") : QString();
}

void LockKeyTracker::FollowIndicators(int capsBit, int numBit, quint32 indicators) {
    m_followIndicators = true;
    m_capsBit = capsBit;
    m_numBit = numBit;
    OnIndicatorState(indicators);
}

bool LockKeyTracker::OnIndicatorState(quint32 indicators) {
    if (!m_followIndicators)
        return false;
    const auto lit = [indicators](int bit) {
        return bit >= 0 && bit < 32 && (indicators >> bit & 1u) != 0;
    };
    const LockKeyState before = m_state;
    m_state = {lit(m_capsBit), lit(m_numBit)};
    return m_state != before;
}

bool LockKeyTracker::OnKeyPress(int qtKey, bool autoRepeat) {
    if (m_followIndicators || autoRepeat)
        return false;
    if (qtKey == Qt::Key_CapsLock)
        m_state.capsLock = !m_state.capsLock;
    else if (qtKey == Qt::Key_NumLock)
        m_state.numLock = !m_state.numLock;
    else
        return false;
    return true;
}

namespace {

// Where the keyboard map puts an indicator, and whether it is lit; the core map's place when the
// map does not name it.
int IndicatorBit(Display* display, const char* name, int fallback) {
    const Atom atom = XInternAtom(display, name, True);
    int index = -1;
    if (atom != None && XkbGetNamedIndicator(display, atom, &index, nullptr, nullptr, nullptr) &&
        index >= 0 && index < XkbNumIndicators)
        return index;
    return fallback;
}

// The XKB event as it arrives on the wire (32 bytes): its XKB type at byte 1; for an indicator
// notification the indicators' state at byte 12.
constexpr int kXkbTypeOffset = 1;
constexpr int kIndicatorStateOffset = 12;

} // namespace

X11LockKeyEvents::~X11LockKeyEvents() {
    if (m_installed && qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

bool X11LockKeyEvents::Start(Changed changed, int* capsBit, int* numBit, quint32* indicators) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    int opcode = 0, eventBase = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &eventBase, &errorBase, &major, &minor))
        return false;
    unsigned state = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) != Success)
        return false;
    // Changes only this client's choice of indicator notifications; Qt's own XKB events stay.
    if (!XkbSelectEventDetails(display, XkbUseCoreKbd, XkbIndicatorStateNotify,
                               XkbAllIndicatorsMask, XkbAllIndicatorsMask))
        return false;
    *capsBit = IndicatorBit(display, "Caps Lock", 0);
    *numBit = IndicatorBit(display, "Num Lock", 1);
    *indicators = state;
    XFlush(display);
    m_changed = std::move(changed);
    m_xkbEventBase = eventBase;
    qGuiApp->installNativeEventFilter(this);
    m_installed = true;
    return true;
}

bool X11LockKeyEvents::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (m_xkbEventBase < 0 || eventType != "xcb_generic_event_t")
        return false;
    const auto* bytes = static_cast<const unsigned char*>(message);
    // The top bit marks an event sent by another client; the server's own have it clear.
    if ((bytes[0] & 0x7f) != m_xkbEventBase || bytes[kXkbTypeOffset] != XkbIndicatorStateNotify)
        return false;
    quint32 state = 0;
    std::memcpy(&state, bytes + kIndicatorStateOffset, sizeof state);
    if (m_changed)
        m_changed(state);
    return false;
}
