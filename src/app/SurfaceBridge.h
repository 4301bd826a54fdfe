#pragma once

#include "scripting/SurfaceBusPort.h"

#include <QObject>
#include <memory>

class CMainFrame;
class ControlSurface;
class DeviceSession;
class QLabel;

// Puts the control surface beside the window: its pane in the status bar, its pick-up marks on
// the panel, its dialog in the panel's menu, and learn clicks from the panel to the surface. It
// is also the surface's face on the bus.
class SurfaceBridge : public QObject, public SurfaceBusPort {
    Q_OBJECT

public:
    SurfaceBridge(DeviceSession& session, CMainFrame& frame, QObject* parent = nullptr);
    ~SurfaceBridge() override;

    // After the settings are loaded: surface.ini lives beside set.ini.
    void Start();
    ControlSurface& Surface() { return *m_surface; }
    QString PaneText() const;

    // "Control surface…": the dialog, then the choice applied; Learn starts learning.
    void OpenDialog();
    // The next control moved goes onto the slider or switch clicked next; Esc ends it.
    void StartLearning();
    void StopLearning(const QString& note = QString());
    bool Learning() const { return m_learning; }

    // SurfaceBusPort
    QStringList Ports(QString& error) override;
    QString Use(const QString& port, const QString& profile) override;
    void Off() override;
    QString Summary() const override;

Q_SIGNALS:
    // The choice or the controller's presence changed.
    void StateChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowState();
    // A press on the panel while learning: true when it was on a slider or a switch.
    bool LearnClick(int x, int y);

    DeviceSession& m_session;
    CMainFrame& m_frame;
    std::unique_ptr<ControlSurface> m_surface;
    QLabel* m_pane = nullptr;
    bool m_learning = false;
    QString m_learnPrompt;
};
