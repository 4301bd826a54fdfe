#pragma once

// Notifications between the colour popup, its picker button and the button's parent.
// The numbers are WM_USER + 1001 .. + 1005 and are kept for callers that compare them.
enum ColorMessage {
    COLOR_MSG_SELECTION_CHANGE = 2025,
    COLOR_MSG_DROP_DOWN = 2026,
    COLOR_MSG_CLOSE_UP = 2027,
    COLOR_MSG_END_OK = 2028,
    COLOR_MSG_END_CANCEL = 2029,
};

// Which of the picker's two colours the popup sets.
enum PickTarget {
    PICK_LABEL = 1,
    PICK_FILL = 2,
};
