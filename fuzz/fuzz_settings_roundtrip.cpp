// Any set.ini through the program's own load and save: what loads, saves and loads again is what
// loaded the first time, and a save of what a save wrote writes the same bytes again.
// The text fields are kept as UTF-8 text, so bytes that are not UTF-8 in the port or the preset
// name (or a 189-byte cut inside a character) come back as U+FFFD after a save; for those the
// first load is not required to survive, only every later one.
#include "FuzzInput.h"
#include "RecordingHost.h"
#include "panel/PanelController.h"
#include "settings/ProfileIni.h"
#include "settings/SettingsKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdlib>

namespace {

struct Loaded {
    QString port;
    QString preset;
    ColorRef colors[3];
    std::array<int, CHANNEL_COUNT> power;
    std::array<int, CHANNEL_COUNT> level;
    bool operator==(const Loaded& o) const {
        return port == o.port && preset == o.preset && colors[0] == o.colors[0] &&
               colors[1] == o.colors[1] && colors[2] == o.colors[2] && power == o.power &&
               level == o.level;
    }
};

Loaded Load(PanelController& panel) {
    panel.LoadSettings();
    return {panel.m_portName,
            panel.m_presetName,
            {panel.m_colorSlideLeft, panel.m_colorSlideRight, panel.m_colorChannel},
            panel.m_channelPower,
            panel.m_channelLevel};
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool Utf8(const QByteArray& bytes) {
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    // Memory-backed when there is one: every save syncs the file.
    const QByteArray base = QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath().toLocal8Bit();
    static QByteArray folder = base + "/morvix-fuzz-XXXXXX";
    if (!mkdtemp(folder.data()))
        std::abort();
    qputenv("XDG_CONFIG_HOME", folder);
    std::atexit([] { QDir(QString::fromLocal8Bit(folder)).removeRecursively(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RecordingHost host;
    PanelController first(host);
    first.BuildPaths();
    {
        QFile ini(first.m_iniPath);
        FUZZ_CHECK(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(ini.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }
    const ProfileIni raw = ProfileIni::FromBytes(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    const bool textIsUtf8 =
        Utf8(raw.GetString(SECTION_SET, KEY_PORT, VALUE_MISSING)) &&
        Utf8(raw.GetString(SECTION_SET, KEY_FILE_NAME, VALUE_MISSING, ROOM_FILE_NAME));

    const Loaded loaded = Load(first);
    first.SaveSettings();

    PanelController second(host);
    second.BuildPaths();
    const Loaded reloaded = Load(second);
    if (textIsUtf8)
        FUZZ_CHECK(reloaded == loaded);
    second.SaveSettings();
    const QByteArray saved = ReadFile(second.m_iniPath);

    PanelController third(host);
    third.BuildPaths();
    FUZZ_CHECK(Load(third) == reloaded);
    third.SaveSettings();
    FUZZ_CHECK(ReadFile(third.m_iniPath) == saved);
    return 0;
}
