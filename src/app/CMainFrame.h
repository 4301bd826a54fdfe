#pragma once

#include <QMainWindow>

class CMorvixView;
class QLabel;
class QTimer;

// The fixed-size main window: the panel view above a status bar with the lock-key panes and
// the clock. Closing it only records a request; the view's watchdog asks the operator.
class CMainFrame : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kClockPaneWidth = 170;
    static constexpr int kClockTimerMs = 1000;

    CMainFrame();
    ~CMainFrame() override;

    CMorvixView& View() { return *m_view; }
    QString ClockPaneText() const;

    int m_bCloseRequested = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnTimer();
    void UpdateLockPanes();

    CMorvixView* m_view = nullptr;
    QLabel* m_capsPane = nullptr;
    QLabel* m_numPane = nullptr;
    QLabel* m_clockPane = nullptr;
    QTimer* m_clockTimer = nullptr;
};
