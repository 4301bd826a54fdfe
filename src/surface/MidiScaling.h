#pragma once

// Controller values to levels 0..255 and back, by integer division, so that a value the
// controller sent comes back unchanged.
constexpr int LevelFrom7Bit(int v) {
    return (v * 255 + 63) / 127;
}
constexpr int LevelFrom14Bit(int v) {
    return (v * 255 + 8191) / 16383;
}
constexpr int LevelTo7Bit(int level) {
    return (level * 127 + 127) / 255;
}
constexpr int LevelTo14Bit(int level) {
    return (level * 16383 + 127) / 255;
}
