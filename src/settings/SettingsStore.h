#pragma once

#include "settings/ChSetSection.h"

#include <QCoreApplication>
#include <QString>

// What stands for the program-files directory: $XDG_CONFIG_HOME when it holds an absolute path,
// otherwise ~/.config. The settings live in "<it>/QV/Morvix/set.ini".
QString ProgramFilesDir();

// The panel's three colours: the slider's filled part, its track, and the channel labels.
struct PanelPalette {
    ColorRef slideLeft = 0;
    ColorRef slideRight = 0;
    ColorRef channel = 0;

    bool operator==(const PanelPalette&) const = default;
};

// What a save came to. A failure is for the operator to hear once: the same failure again
// (Setup saves twice) has nothing new to tell, until a save succeeds.
struct SaveOutcome {
    bool saved = true;
    QString toTell;
};

// set.ini in the program-files folder, and what it holds beside the channels: the port, the last
// preset's name and the panel's colours. The channels' switches and levels are the panel's; they
// only pass through here on their way in and out of the file.
class SettingsStore {
    Q_DECLARE_TR_FUNCTIONS(SettingsStore)

public:
    // Creates "<base>/QV/Morvix" as needed, outer folder first, and points at its set.ini.
    void BuildPaths();
    const QString& IniPath() const { return m_iniPath; }
    const QString& FolderPath() const { return m_folderPath; }

    // Reads the file: port, preset name and colours stay here; the whole "CH SET" record, the
    // channels with it, comes back.
    ChSetValues Load();
    // The port, the preset name, the colours and these channels into the file. A file that
    // exists but cannot be read is left alone rather than replaced by our keys only.
    SaveOutcome Save(const ChannelValues& power, const ChannelValues& level);

    // The colours with these channels, as a preset or a scene stores them.
    ChSetValues Record(const ChannelValues& power, const ChannelValues& level) const;
    // The colours of a record read elsewhere (a preset, a scene).
    void TakeColors(const ChSetValues& values);

    const QString& PortName() const { return m_portName; }
    void SetPortName(const QString& name) { m_portName = name; }
    const QString& PresetName() const { return m_presetName; }
    void SetPresetName(const QString& name) { m_presetName = name; }
    PanelPalette Colors() const { return {m_colorSlideLeft, m_colorSlideRight, m_colorChannel}; }
    void SetColors(const PanelPalette& colors);

private:
    QString m_iniPath;
    QString m_folderPath;
    QString m_portName;
    QString m_presetName;
    ColorRef m_colorSlideLeft = 0;
    ColorRef m_colorSlideRight = 0;
    ColorRef m_colorChannel = 0;
    // The save failure last told, until a save succeeds again.
    QString m_saveFailureTold;
};
