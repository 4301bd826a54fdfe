#pragma once

#include "app/LockKeys.h"

#include <QMainWindow>

class CMorvixView;
class DeviceSession;
class RemoteService;
class QLabel;
class QTimer;

// The fixed-size main window: the panel view above a status bar with the lock-key panes and
// the clock, a client of the session. Closing it only asks: the session's next watchdog tick
// hands the request to the view, which asks the operator.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kClockPaneWidth = 170;
    // How long a note such as "scene 3 is empty" stays in the status bar.
    static constexpr int kStatusMessageMs = 4000;

    explicit CMainFrame(DeviceSession& session);
    ~CMainFrame() override;

    CMorvixView& View() { return *m_view; }
    QString ClockPaneText() const;
    QString CapsLockPaneText() const;
    QString NumLockPaneText() const;
    QString FadePaneText() const;
    // "remote: 2", the pages open, shown only while the remote runs.
    void ShowRemote(RemoteService& remote);
    QString RemotePaneText() const;
    bool RemotePaneShown() const;

Q_SIGNALS:
    // The window was asked to close (title bar, window manager); it stays open.
    void CloseRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnTimer();
    void ShowLockPanes();

    CMorvixView* m_view = nullptr;
    QLabel* m_capsPane = nullptr;
    QLabel* m_numPane = nullptr;
    QLabel* m_clockPane = nullptr;
    QLabel* m_fadePane = nullptr;
    QLabel* m_remotePane = nullptr;
    QTimer* m_clockTimer = nullptr;
    LockKeyTracker m_lockKeys;
    X11LockKeyEvents m_x11LockKeys;
};
