#pragma once

// Scene slots are numbered 1..SCENE_SLOTS as the operator sees them; a fade lasts at most an hour.
inline constexpr int SCENE_SLOTS = 8;
inline constexpr double kMaxFadeSeconds = 3600.0;
