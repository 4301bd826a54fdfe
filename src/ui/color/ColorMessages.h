#pragma once

// How the colour popup ends: with the colour picked, or back at the colour it opened with.
enum class PopupEnd { Ok, Cancel };

// Which of the picker's two colours the popup sets.
enum PickTarget {
    PICK_LABEL = 1,
    PICK_FILL = 2,
};
