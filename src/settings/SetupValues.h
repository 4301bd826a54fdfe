#pragma once

#include "model/ColorRef.h"

#include <QString>

// What Setup does with the preset file the operator picked, after OK.
enum class PresetAction { None, Save, Load };

// What RunSetup hands to the Setup dialog and reads back after OK.
struct SetupValues {
    QString m_strPortText;
    ColorRef m_colorSlideL = 0;
    ColorRef m_colorSlideR = 0;
    ColorRef m_colorCh = 0;
    QString m_presetPath;
    bool m_bAllOff = false;
    PresetAction m_presetAction = PresetAction::None;
};
