// Any set.ini through the program's own load and save: what loads, saves and loads again is what
// loaded the first time, and a save of what a save wrote writes the same bytes again.
// The text fields are kept as UTF-8 text, so bytes that are not UTF-8 in the port or the preset
// name (or a 189-byte cut inside a character) come back as U+FFFD after a save; for those the
// first load is not required to survive, only every later one.
#include "FuzzInput.h"
#include "RecordingHost.h"
#include "session/DeviceSession.h"
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
    PanelPalette colors;
    ChannelValues power;
    ChannelValues level;
    bool operator==(const Loaded&) const = default;
};

Loaded Load(DeviceSession& session) {
    session.LoadSettings();
    return {session.Settings().PortName(), session.Settings().PresetName(),
            session.Settings().Colors(), session.Channels().Powers(), session.Channels().Levels()};
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
    DeviceSession first;
    first.SetPrompts(&host);
    first.BuildPaths();
    {
        QFile ini(first.Settings().IniPath());
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

    DeviceSession second;
    second.SetPrompts(&host);
    second.BuildPaths();
    const Loaded reloaded = Load(second);
    if (textIsUtf8)
        FUZZ_CHECK(reloaded == loaded);
    second.SaveSettings();
    const QByteArray saved = ReadFile(second.Settings().IniPath());

    DeviceSession third;
    third.SetPrompts(&host);
    third.BuildPaths();
    FUZZ_CHECK(Load(third) == reloaded);
    third.SaveSettings();
    FUZZ_CHECK(ReadFile(third.Settings().IniPath()) == saved);
    return 0;
}
