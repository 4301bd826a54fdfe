#pragma once

#include "model/ColorRef.h"

#include <QString>

enum PresetAction { PRESET_NONE = 0, PRESET_SAVE = 1, PRESET_LOAD = 2 };

// What RunSetup hands to the Setup dialog and reads back after OK.
struct SetupValues {
    QString m_strPortText;
    ColorRef m_colorSlideL = 0;
    ColorRef m_colorSlideR = 0;
    ColorRef m_colorCh = 0;
    QString m_presetPath;
    int m_bAllOff = 0;
    int m_presetAction = PRESET_NONE;
};
