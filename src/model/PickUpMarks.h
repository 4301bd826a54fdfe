#pragma once

#include "model/Channels.h"

#include <array>

// Which way a surface's fader must move before it takes its channel (pick-up), one per row.
enum class PickUpMark { None, Up, Down };
using PickUpMarks = std::array<PickUpMark, CHANNEL_COUNT>;
