#pragma once

#include "device/DeviceIdentity.h"
#include "device/LineCodes.h"
#include "device/PortDiscovery.h"
#include "device/PortError.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

// One burst of received bytes as the watcher read it: the last read's bytes at the start of
// `bytes`, older bytes after them (a read stores at most six); `count` bytes in all (> 0).
struct RxBurst {
    std::array<std::uint8_t, 6> bytes{};
    std::uint32_t count = 0;
};

// A text the port has for the operator; whoever owns the port decides whether and where it shows.
struct PortMessage {
    QString text;
    QString caption;
};

// The serial port: fixed line settings, whole-frame writes, and a watcher thread that hands each
// burst of received bytes to the owner. Knows nothing of frames or of the panel.
// Construct, use and destroy it on the UI thread; only the watcher runs elsewhere.
class CCom {
public:
    CCom();
    ~CCom();
    CCom(const CCom&) = delete;
    CCom& operator=(const CCom&) = delete;

    // Stores the settings only; an open port is not touched.
    void Configure(QString portName, std::uint32_t baudRate, std::uint8_t byteSize,
                   StopBits stopBits, Parity parity);
    bool Open();
    // Output of a write that returned success goes out first (within the write's time-out).
    bool Close();
    // Bytes written, 0 on failure. Returns once the bytes have left the port, or when the write
    // time-out (5 ms per byte + 5) has passed, whichever comes first; never later.
    std::uint32_t Write(const std::uint8_t* buffer, std::uint32_t length);
    // Bytes read into the start of the receive buffer (0..6); 0 at once when nothing is queued.
    std::uint32_t Read();
    // How long the line must stay quiet before a read that holds fewer than 6 bytes ends.
    static constexpr int kReadWindowMs = 7;

    // Who hears of the watcher's work, on the UI thread and only while `context` lives. `burst`
    // runs while the watcher waits: the next read starts once it has returned. `closed`: the
    // watcher ended because the device went away (hang-up, read error), not for a Close.
    // `message`: the watcher's own notice ("CommWatchProc Exit 3nd if"); logged without one.
    struct Receiver {
        std::function<void(const RxBurst&)> burst{};
        std::function<void()> closed{};
        std::function<void(const PortMessage&)> message{};
    };
    void SetReceiver(QObject* context, Receiver receiver);

    bool IsConnected() const { return m_bConnected.load(); }
    // Why the last Open failed, with the port's own words for it; kind None after a successful
    // one.
    const PortError& LastError() const { return m_lastError; }
    QString PortName() const { return m_strPort; }

    // "/dev/x" stays as it is, "COMn" is /dev/ttyS(n-1), any other name is looked up under /dev.
    static QString DevicePath(const QString& portName);

    // The USB adapter opened last, still known after it was unplugged; unknown for a port that
    // is no USB device. Forgotten when another port name is configured.
    const DeviceIdentity& OpenedAdapter() const { return m_adapter; }
    // The device the port is (or was last) open on: for an adapter that came back under another
    // number, that number's node.
    QString OpenedPath() const { return m_openedPath; }
    // The adapter's receive latency as its driver reports it after the opening (an FTDI
    // adapter's latency timer, 1 ms once low latency is on); -1 when it has none.
    int AdapterLatencyMs() const { return m_latencyMs; }
    // While the port is closed: where the adapter opened last is now (never another adapter
    // that took its old name), or empty while it is away. A port that is no USB device is back
    // when its configured path exists. Only looks; nothing is opened.
    QString ReturnedPath() const;
    // Opens ReturnedPath() with the configured settings; false (NotFound) while it is away.
    bool Reopen();
    // Where the adapter's identity is read (tests point it at a fake tree).
    void SetDiscoveryRoots(DiscoveryRoots roots) { m_roots = std::move(roots); }

private:
    struct Watcher;
    unsigned CommWatchProc();
    // UI thread, from the relay: hands burst `id` to the owner unless it has gone stale.
    void DeliverBurst(std::uint64_t id, const RxBurst& burst);
    void DeliverMessage(const PortMessage& message);
    void PostMessageFromWatcher(const QString& text, const QString& caption);
    void PostClosedFromWatcher();
    bool OpenDevice(const QString& devicePath);
    bool FailOpen(const char* text, const char* caption, PortErrorKind kind, int errnum);
    void StopWatcher();
    // UI thread: tells the owner that the watcher ended because the device went away.
    void DeliverClosed(std::uint64_t id);
    // Waits until the output queue is empty or the deadline passes; true when it emptied.
    bool WaitUntilSent(std::chrono::steady_clock::time_point deadline) const;

    // Set by Open before the watcher starts and reset by Close after it has been joined.
    int m_hComm = -1;
    int m_wakeFd = -1;
    std::atomic<bool> m_bConnected{false};
    QPointer<QObject> m_hOwner;
    Receiver m_receiver;
    // Each read stores at most 6 bytes at the start; later bytes keep older values.
    std::array<std::uint8_t, 6> m_rxBuffer{};
    QString m_strPort;
    std::uint8_t m_byteSize = 8;
    Parity m_parity = Parity::None;
    StopBits m_stopBits = StopBits::One;
    std::uint32_t m_dwBaudRate = 19200;
    PortError m_lastError;
    // Until when the last successful write may still be on its way out; Close waits for it.
    std::chrono::steady_clock::time_point m_sendDeadline{};
    std::unique_ptr<Watcher> m_watcher;
    DiscoveryRoots m_roots;
    DeviceIdentity m_adapter;
    QString m_openedPath;
    int m_latencyMs = -1;
};
