#pragma once

// Caps Lock and Num Lock as the window system reports them; both false where it cannot tell.
struct LockKeyState {
    bool capsLock = false;
    bool numLock = false;
    bool known = false;
};

LockKeyState QueryLockKeys();
