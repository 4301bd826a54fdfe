#pragma once

#include "settings/ChSetSection.h"

#include <QString>
#include <optional>

// The "CH SET" section of a preset file, read as Setup's Open reads it; nothing when the file is
// missing or cannot be read, so that a wrong name never turns the panel black and every channel
// off.
std::optional<ChSetValues> ReadPresetFile(const QString& path);
