#include "surface/SurfaceProfile.h"

namespace {

constexpr MidiControl Cc(int number) {
    return MidiControl::Cc(0, number);
}
constexpr MidiControl Note(int number) {
    return MidiControl::Note(0, number);
}
constexpr MidiControl Bend(int channel) {
    return MidiControl::Bend(channel);
}
constexpr MidiControl None{};

// Faders CC 0-7 and buttons CC 32-39 on MIDI channel 1: the generic box and the nanoKONTROL2.
constexpr std::array<SurfaceStrip, CHANNEL_COUNT> kCcStrips{{{Cc(0), Cc(32), None},
                                                             {Cc(1), Cc(33), None},
                                                             {Cc(2), Cc(34), None},
                                                             {Cc(3), Cc(35), None},
                                                             {Cc(4), Cc(36), None},
                                                             {Cc(5), Cc(37), None},
                                                             {Cc(6), Cc(38), None},
                                                             {Cc(7), Cc(39), None}}};

// Faders CC 0-7, switches on CC 32-39, feedback to the same numbers: 127 on, 0 off.
constexpr SurfaceProfile kGeneric{"generic", "fader box", false, true, 127, 0, kCcStrips};

// Korg's chart: faders CC 0-7, the S buttons CC 32-39 (their LEDs obey only in external mode).
// No motors and nothing to show a level on.
constexpr SurfaceProfile kNanoKontrol2{"nanokontrol2", "nanoKONTROL2", false, false, 127, 0,
                                       kCcStrips};

// Mackie Control: 14-bit pitch bend on MIDI channels 1-8 both ways, Select notes 24-31, fader
// touch notes 104-111.
constexpr SurfaceProfile kMackie{"mackie",
                                 "Mackie Control",
                                 true,
                                 true,
                                 127,
                                 0,
                                 {{{Bend(0), Note(24), Note(104)},
                                   {Bend(1), Note(25), Note(105)},
                                   {Bend(2), Note(26), Note(106)},
                                   {Bend(3), Note(27), Note(107)},
                                   {Bend(4), Note(28), Note(108)},
                                   {Bend(5), Note(29), Note(109)},
                                   {Bend(6), Note(30), Note(110)},
                                   {Bend(7), Note(31), Note(111)}}}};

// Behringer's standard mode on the global channel: motor faders CC 1-8, the row below the faders
// notes 24-31, lamps as notes with velocity 1 on, 0 off.
constexpr SurfaceProfile kXTouchCompact{"xtouch-compact",
                                        "X-Touch Compact",
                                        true,
                                        true,
                                        1,
                                        0,
                                        {{{Cc(1), Note(24), None},
                                          {Cc(2), Note(25), None},
                                          {Cc(3), Note(26), None},
                                          {Cc(4), Note(27), None},
                                          {Cc(5), Note(28), None},
                                          {Cc(6), Note(29), None},
                                          {Cc(7), Note(30), None},
                                          {Cc(8), Note(31), None}}}};

// Akai's APC mini (mk1): faders CC 48-55, the grid's bottom row notes 0-7; pad velocity 1 is
// green, 0 dark.
constexpr SurfaceProfile kApcMini{"apc-mini",
                                  "APC mini",
                                  false,
                                  false,
                                  1,
                                  0,
                                  {{{Cc(48), Note(0), None},
                                    {Cc(49), Note(1), None},
                                    {Cc(50), Note(2), None},
                                    {Cc(51), Note(3), None},
                                    {Cc(52), Note(4), None},
                                    {Cc(53), Note(5), None},
                                    {Cc(54), Note(6), None},
                                    {Cc(55), Note(7), None}}}};

constexpr std::array<const SurfaceProfile*, 5> kProfiles{&kGeneric, &kNanoKontrol2, &kMackie,
                                                         &kXTouchCompact, &kApcMini};

} // namespace

const SurfaceProfile* FindSurfaceProfile(const QString& id) {
    for (const SurfaceProfile* profile : kProfiles) {
        if (id == QLatin1String(profile->id))
            return profile;
    }
    return nullptr;
}

const SurfaceProfile& GenericSurfaceProfile() {
    return kGeneric;
}

QStringList SurfaceProfileIds() {
    QStringList ids;
    for (const SurfaceProfile* profile : kProfiles)
        ids << QLatin1String(profile->id);
    return ids;
}
