#pragma once

#include "model/ChannelFrame.h"
#include "model/ColorRef.h"

#include <array>

class ProfileIni;

// The "CH SET" section: the three panel colours and every channel's switch and level.
// set.ini and the preset files both carry it, and both are read by the same rules.
struct ChSetValues {
    ColorRef colorSlideLeft = 0;
    ColorRef colorSlideRight = 0;
    ColorRef colorChannel = 0;
    ChannelValues power{};
    ChannelValues level{};

    bool operator==(const ChSetValues&) const = default;
};

// Reads COLOR1..3 (room 10) and CH POWER-i / CH VALUE-i (room 5) by the atoi rules; a missing
// key reads as "NULL", that is 0. Values are taken as stored, without range checks.
ChSetValues ReadChSetSection(const ProfileIni& ini);

// Writes COLOR1..3 as signed decimals, then CH POWER-i, CH VALUE-i for i from 0 to 7.
void WriteChSetSection(ProfileIni& ini, const ChSetValues& values);
