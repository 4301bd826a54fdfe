#pragma once

#include <QFont>
#include <QStringList>

// "맑은 고딕" where it exists, otherwise the Korean faces a Linux desktop has.
inline QFont KoreanFont(int pointSize) {
    QFont font;
    font.setFamilies({QStringLiteral("맑은 고딕"), QStringLiteral("Malgun Gothic"),
                      QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR")});
    font.setPointSize(pointSize);
    return font;
}
