#pragma once

#include "app/CMorvixDoc.h"

#include <QApplication>
#include <memory>

class CMainFrame;
class DeviceSession;
class PanelBusService;
class SurfaceBridge;
class RemoteBusBridge;
class RemoteService;

// The application: it owns the session (the device and what goes with it) and its clients side
// by side: the window with its one view, the panel on the session bus, and the browser remote.
class CMorvixApp : public QApplication {
    Q_OBJECT

public:
    CMorvixApp(int& argc, char** argv);
    ~CMorvixApp() override;

    // Creates the frame and the view, runs the view's initial update and shows the window.
    // False when start-up failed, or when another panel of this user runs: then this one ends
    // with HandOverExitCode(), 0 once the other was raised. -1 when nothing was handed over.
    bool InitInstance();
    int HandOverExitCode() const { return m_handOverExitCode; }
    CMainFrame* MainFrame() { return m_mainFrame.get(); }
    DeviceSession& Session() { return *m_session; }
    // The browser remote, a client of the session beside the window and the bus.
    RemoteService& Remote() { return *m_remote; }

    void OnAppAbout();
    void OnFileNew();
    void OnFileOpen();

private:
    void AddShortcuts();
    // Puts the panel on the session bus; false when another panel owns the name and this one
    // must end.
    bool StartScripting();
    void RaiseMainFrame();

    CMorvixDoc m_document;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<RemoteService> m_remote;
    std::unique_ptr<RemoteBusBridge> m_remoteBridge;
    std::unique_ptr<CMainFrame> m_mainFrame;
    std::unique_ptr<PanelBusService> m_busService;
    std::unique_ptr<SurfaceBridge> m_surface;
    int m_handOverExitCode = -1;
};
