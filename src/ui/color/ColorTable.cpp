#include "ui/color/ColorTable.h"

#include <QCoreApplication>

const std::array<ColorEntry, kColorCount> ColorTable = {{
    {MakeColorRef(0, 0, 0), QT_TRANSLATE_NOOP("ColorTable", "검정색")},
    {MakeColorRef(165, 42, 0), QT_TRANSLATE_NOOP("ColorTable", "갈색")},
    {MakeColorRef(0, 64, 64), QT_TRANSLATE_NOOP("ColorTable", "어두운 올리브색")},
    {MakeColorRef(0, 85, 0), QT_TRANSLATE_NOOP("ColorTable", "어두운 녹색")},
    {MakeColorRef(0, 0, 94), QT_TRANSLATE_NOOP("ColorTable", "암록청색")},
    {MakeColorRef(0, 0, 139), QT_TRANSLATE_NOOP("ColorTable", "어두운 청색")},
    {MakeColorRef(75, 0, 130), QT_TRANSLATE_NOOP("ColorTable", "남색")},
    {MakeColorRef(40, 40, 40), QT_TRANSLATE_NOOP("ColorTable", "어두운 회색")},

    {MakeColorRef(139, 0, 0), QT_TRANSLATE_NOOP("ColorTable", "어두운 빨강색")},
    {MakeColorRef(255, 104, 32), QT_TRANSLATE_NOOP("ColorTable", "오렌지색")},
    {MakeColorRef(139, 139, 0), QT_TRANSLATE_NOOP("ColorTable", "어두운 노란색")},
    {MakeColorRef(0, 147, 0), QT_TRANSLATE_NOOP("ColorTable", "녹색")},
    {MakeColorRef(56, 142, 142), QT_TRANSLATE_NOOP("ColorTable", "암록색")},
    {MakeColorRef(0, 0, 255), QT_TRANSLATE_NOOP("ColorTable", "파란색")},
    {MakeColorRef(123, 123, 192), QT_TRANSLATE_NOOP("ColorTable", "파란회색")},
    {MakeColorRef(102, 102, 102), QT_TRANSLATE_NOOP("ColorTable", "회색-40")},

    {MakeColorRef(255, 0, 0), QT_TRANSLATE_NOOP("ColorTable", "빨간색")},
    {MakeColorRef(255, 173, 91), QT_TRANSLATE_NOOP("ColorTable", "밝은 오렌지색")},
    {MakeColorRef(50, 205, 50), QT_TRANSLATE_NOOP("ColorTable", "라임색")},
    {MakeColorRef(60, 179, 113), QT_TRANSLATE_NOOP("ColorTable", "바다 녹색")},
    {MakeColorRef(127, 255, 212), QT_TRANSLATE_NOOP("ColorTable", "연한 녹청색")},
    {MakeColorRef(125, 158, 192), QT_TRANSLATE_NOOP("ColorTable", "밝은 파란색")},
    {MakeColorRef(128, 0, 128), QT_TRANSLATE_NOOP("ColorTable", "보라색")},
    {MakeColorRef(127, 127, 127), QT_TRANSLATE_NOOP("ColorTable", "회색-50")},

    {MakeColorRef(255, 192, 203), QT_TRANSLATE_NOOP("ColorTable", "핑크색")},
    {MakeColorRef(255, 215, 0), QT_TRANSLATE_NOOP("ColorTable", "금색")},
    {MakeColorRef(255, 255, 0), QT_TRANSLATE_NOOP("ColorTable", "노란색")},
    {MakeColorRef(0, 255, 0), QT_TRANSLATE_NOOP("ColorTable", "밝은 녹색")},
    {MakeColorRef(64, 224, 208), QT_TRANSLATE_NOOP("ColorTable", "청록색")},
    {MakeColorRef(192, 255, 255), QT_TRANSLATE_NOOP("ColorTable", "하늘색")},
    {MakeColorRef(72, 0, 72), QT_TRANSLATE_NOOP("ColorTable", "진한 보라색")},
    {MakeColorRef(192, 192, 192), QT_TRANSLATE_NOOP("ColorTable", "밝은 회색")},

    {MakeColorRef(255, 228, 225), QT_TRANSLATE_NOOP("ColorTable", "장미색")},
    {MakeColorRef(210, 180, 140), QT_TRANSLATE_NOOP("ColorTable", "황갈색")},
    {MakeColorRef(255, 255, 224), QT_TRANSLATE_NOOP("ColorTable", "베이지색")},
    {MakeColorRef(152, 251, 152), QT_TRANSLATE_NOOP("ColorTable", "엷은 녹색")},
    {MakeColorRef(175, 238, 238), QT_TRANSLATE_NOOP("ColorTable", "엷은 청록색")},
    {MakeColorRef(104, 131, 139), QT_TRANSLATE_NOOP("ColorTable", "엷은 파란색")},
    {MakeColorRef(230, 230, 250), QT_TRANSLATE_NOOP("ColorTable", "연보라색")},
    {MakeColorRef(255, 255, 255), QT_TRANSLATE_NOOP("ColorTable", "흰색")},
}};

QString ColorName(int cell) {
    return QCoreApplication::translate("ColorTable", ColorTable[std::size_t(cell)].name);
}
