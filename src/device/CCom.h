#pragma once

#include "device/PortError.h"

#include <QEvent>
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

// Received-data notification, delivered to the owner synchronously on the owner's thread:
// wParam = bytes read in the burst (> 0), lParam = 0. The bytes stay in CCom::m_rxBuffer.
inline constexpr int WM_COMM_RX = 1025;

class CommRxEvent : public QEvent {
public:
    CommRxEvent(quintptr wParam, qintptr lParam)
        : QEvent(static_cast<QEvent::Type>(WM_COMM_RX)), m_wParam(wParam), m_lParam(lParam) {}
    quintptr wParam() const { return m_wParam; }
    qintptr lParam() const { return m_lParam; }

private:
    quintptr m_wParam;
    qintptr m_lParam;
};

// Posted to the owner when the watcher has ended on its own because the device went away (hang-up,
// read error): the port is then no longer connected. Not sent for a Close.
inline constexpr int WM_COMM_CLOSED = 1026;

// The serial port: fixed line settings, whole-frame writes, and a watcher thread that hands each
// burst of received bytes to the owner. Knows nothing of frames or of the panel.
// Construct, use and destroy it on the UI thread; only the watcher runs elsewhere.
class CCom {
public:
    CCom();
    ~CCom();
    CCom(const CCom&) = delete;
    CCom& operator=(const CCom&) = delete;

    // Stores the settings only; an open port is not touched. Parity: 0 none, 1 odd, 2 even,
    // 3 mark, 4 space. Stop bits: 0 one, 1 one and a half, 2 two.
    void Configure(QString portName, std::uint32_t baudRate, std::uint8_t byteSize,
                   std::uint8_t stopBits, std::uint8_t parity);
    bool Open();
    // Output of a write that returned success goes out first (within the write's time-out).
    bool Close();
    // Bytes written, 0 on failure. Returns once the bytes have left the port, or when the write
    // time-out (5 ms per byte + 5) has passed, whichever comes first; never later.
    std::uint32_t Write(const std::uint8_t* buffer, std::uint32_t length);
    // Bytes read into the start of m_rxBuffer (0..6); 0 at once when nothing is queued.
    std::uint32_t Read();
    // How long the line must stay quiet before a read that holds fewer than 6 bytes ends.
    static constexpr int kReadWindowMs = 7;
    void SetOwner(QObject* owner);

    bool IsConnected() const { return m_bConnected.load(); }
    // Why the last Open failed; kind None after a successful one.
    const PortError& LastError() const { return m_lastError; }
    QString PortName() const { return m_strPort; }

    // Where the port's message boxes go ("Connect Failed. DCB Setting Error", ...); always called
    // on the UI thread. Without a sink the texts go to the log.
    using MessageSink = std::function<void(const QString& text, const QString& caption)>;
    void SetMessageSink(MessageSink sink);
    // While muted the port's message boxes are dropped (a retry nobody asked to see).
    void SetMessagesMuted(bool muted) { m_messagesMuted = muted; }

    // "/dev/x" stays as it is, "COMn" is /dev/ttyS(n-1), any other name is looked up under /dev.
    static QString DevicePath(const QString& portName);

    // Each read stores at most 6 bytes at the start; later bytes keep older values.
    std::array<std::uint8_t, 6> m_rxBuffer{};

private:
    struct Watcher;
    unsigned CommWatchProc();
    // UI thread, from the relay: hands burst `id` to the owner unless it has gone stale.
    void DeliverBurst(std::uint64_t id, std::uint32_t total);
    void ShowMessage(const QString& text, const QString& caption);
    void PostMessageFromWatcher(const QString& text, const QString& caption);
    void PostClosedFromWatcher();
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
    QString m_strPort;
    std::uint8_t m_byteSize = 8;
    std::uint8_t m_parity = 0;
    std::uint8_t m_stopBits = 0;
    std::uint32_t m_dwBaudRate = 19200;
    MessageSink m_messageSink;
    bool m_messagesMuted = false;
    PortError m_lastError;
    // Until when the last successful write may still be on its way out; Close waits for it.
    std::chrono::steady_clock::time_point m_sendDeadline{};
    std::unique_ptr<Watcher> m_watcher;
};
