#pragma once

#include <QObject>
#include <memory>

class CMainFrame;
class ControlSurface;
class DeviceSession;
class QLabel;

// Puts the control surface beside the window: its pane in the status bar, its pick-up marks on
// the panel, its dialog in the panel's menu, and learn clicks from the panel to the surface.
class SurfaceBridge : public QObject {
    Q_OBJECT

public:
    SurfaceBridge(DeviceSession& session, CMainFrame& frame, QObject* parent = nullptr);
    ~SurfaceBridge() override;

    // After the settings are loaded: surface.ini lives beside set.ini.
    void Start();
    ControlSurface& Surface() { return *m_surface; }
    QString PaneText() const;

private:
    void ShowState();

    DeviceSession& m_session;
    CMainFrame& m_frame;
    std::unique_ptr<ControlSurface> m_surface;
    QLabel* m_pane = nullptr;
};
