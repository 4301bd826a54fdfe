#pragma once

#include <QAbstractNativeEventFilter>
#include <QString>
#include <QtGlobal>
#include <functional>

// Caps Lock and Num Lock as far as the program knows them.
struct LockKeyState {
    bool capsLock = false;
    bool numLock = false;
    bool operator==(const LockKeyState&) const = default;
};

// The status-bar panes: "CAP" and "NUM" while the lock is on, empty otherwise.
QString CapsLockPaneText(const LockKeyState& state);
QString NumLockPaneText(const LockKeyState& state);

// Follows the lock state from what the window system reports, without asking it. Where the
// keyboard's indicators are reported (X11) they are the truth, and key presses are not counted:
// the indicators also change while another window has the keyboard. Elsewhere a press of a lock
// key toggles its lock, starting from off.
class LockKeyTracker {
public:
    // From now on the indicator state decides; caps and num are bit positions in it.
    void FollowIndicators(int capsBit, int numBit, quint32 indicators);
    bool FollowsIndicators() const { return m_followIndicators; }
    // Each returns true when the state changed.
    bool OnIndicatorState(quint32 indicators);
    bool OnKeyPress(int qtKey, bool autoRepeat);
    LockKeyState State() const { return m_state; }

private:
    LockKeyState m_state;
    bool m_followIndicators = false;
    int m_capsBit = 0;
    int m_numBit = 1;
};

// The X11 keyboard's indicator changes, from XKB notifications in Qt's own event stream. Start()
// reads the indicators once and asks the server to report every change; nothing is asked after.
class X11LockKeyEvents : public QAbstractNativeEventFilter {
public:
    using Changed = std::function<void(quint32 indicators)>;
    ~X11LockKeyEvents() override;
    // False where there is no X11 display or no XKB on it.
    bool Start(Changed changed, int* capsBit, int* numBit, quint32* indicators);
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    Changed m_changed;
    int m_xkbEventBase = -1;
    bool m_installed = false;
};
