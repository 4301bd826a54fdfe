#pragma once

#include <QRect>
#include <QString>

struct _XDisplay;

// Presses keys and clicks on the X server the way a user's devices would (XTest), and finds the
// panel's top-level windows by title. There is no window manager under Xvfb: the keyboard
// follows the pointer.
class XInput {
public:
    XInput();
    ~XInput();
    XInput(const XInput&) = delete;
    XInput& operator=(const XInput&) = delete;

    bool connected() const { return m_display != nullptr; }
    // The viewable top-level window whose title starts with `title`, in root coordinates;
    // an empty rectangle when there is none.
    QRect windowRect(const QString& title);
    void movePointer(int x, int y);
    void click(int x, int y);
    void pressRight();
    void pressEscape();

private:
    void tapKey(unsigned long keysym);

    _XDisplay* m_display = nullptr;
};
