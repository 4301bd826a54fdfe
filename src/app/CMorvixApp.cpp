#include "app/CMorvixApp.h"

#include "app/CMainFrame.h"
#include "app/RemoteBusBridge.h"
#include "app/RemoteDialogBridge.h"
#include "app/StartupTrace.h"
#include "app/SurfaceBridge.h"
#include "remote/RemoteService.h"
#include "scripting/MorvixClient.h"
#include "scripting/PanelBusService.h"
#include "session/DeviceSession.h"
#include "ui/dialogs/CAboutDlg.h"
#include "ui/view/CMorvixView.h"

#include <QAction>
#include <QFileDialog>
#include <QIcon>
#include <QTimer>
#include <csignal>
#include <cstdio>

CMorvixApp::CMorvixApp(int& argc, char** argv) : QApplication(argc, argv) {
    // A file-size limit or quota must fail a save as a write error, not kill the panel before its
    // exit has switched the device's channels off.
    std::signal(SIGXFSZ, SIG_IGN);
    setApplicationName(QStringLiteral("Morvix"));
    // Wayland compositors find the launcher entry, and with it the icon, by this name.
    setDesktopFileName(QStringLiteral(MORVIX_APP_ID));
    setWindowIcon(QIcon(QStringLiteral(":/morvix/morvix.png")));
}

CMorvixApp::~CMorvixApp() = default;

bool CMorvixApp::InitInstance() {
    if (!m_document.OnNewDocument())
        return false;
    m_session = std::make_unique<DeviceSession>();
    m_remote = std::make_unique<RemoteService>(*m_session);
    m_remoteBridge = std::make_unique<RemoteBusBridge>(*m_remote);
    m_mainFrame = std::make_unique<CMainFrame>(*m_session);
    m_mainFrame->ShowRemote(*m_remote);
    ConnectRemoteDialog(m_mainFrame->View(), *m_remote);
    connect(&m_mainFrame->View(), &CMorvixView::ExitConfirmed, this,
            [](int exitCode) { QCoreApplication::exit(exitCode); });
    // Before the port is opened: a second panel must not take the device from the first.
    if (!StartScripting())
        return false;
    AddShortcuts();
    StartupTrace::WatchIfRequested(&m_mainFrame->View());
    // Starts once the settings are loaded: right after the initial update, or while its message
    // about the port is open. A surface that cannot start leaves the panel running.
    m_surface = std::make_unique<SurfaceBridge>(*m_session, *m_mainFrame);
    QTimer::singleShot(0, m_surface.get(), &SurfaceBridge::Start);
    if (m_busService) {
        m_busService->SetSurfacePort(m_surface.get());
        connect(m_surface.get(), &SurfaceBridge::StateChanged, m_busService.get(),
                &PanelBusService::AnnounceSurface);
    }
    // A remote left on starts with the panel, before a port message can hold the start-up.
    m_remote->Load();
    m_mainFrame->View().OnInitialUpdate();
    m_mainFrame->show();
    m_mainFrame->View().setFocus();
    return true;
}

bool CMorvixApp::StartScripting() {
    // Before the connection's thread starts dispatching, which reads the same type table.
    RegisterChannelStateTypes();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fputs("morvix: no session bus; scripting is off\n", stderr);
        return true;
    }
    m_busService = std::make_unique<PanelBusService>(*m_session);
    m_busService->SetRemote(m_remoteBridge.get());
    if (m_busService->Register(bus)) {
        connect(m_busService.get(), &PanelBusService::RaiseRequested, this,
                &CMorvixApp::RaiseMainFrame);
        return true;
    }
    m_busService.reset();
    MorvixClient running(bus);
    const MorvixClient::Result raised = running.Raise();
    if (raised.ok()) {
        m_handOverExitCode = 0;
        return false;
    }
    if (raised.outcome == MorvixClient::Outcome::NotRunning) {
        // Nobody holds the name after all (the other panel just ended, or the bus refused us).
        std::fputs("morvix: cannot take org.qv.Morvix; scripting is off\n", stderr);
        return true;
    }
    // A panel that holds the name but does not answer still holds the port too.
    std::fprintf(stderr, "morvix: another Morvix runs but does not answer: %s\n",
                 qPrintable(raised.message));
    m_handOverExitCode = 1;
    return false;
}

void CMorvixApp::RaiseMainFrame() {
    if (m_mainFrame->isMinimized())
        m_mainFrame->showNormal();
    m_mainFrame->show();
    m_mainFrame->raise();
    m_mainFrame->activateWindow();
}

void CMorvixApp::AddShortcuts() {
    auto add = [this](const QKeySequence& keys, void (CMorvixApp::*handler)()) {
        auto* action = new QAction(m_mainFrame.get());
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, handler);
        m_mainFrame->addAction(action);
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_N), &CMorvixApp::OnFileNew);
    add(QKeySequence(Qt::CTRL | Qt::Key_O), &CMorvixApp::OnFileOpen);
    add(QKeySequence(Qt::Key_F1), &CMorvixApp::OnAppAbout);
}

void CMorvixApp::OnAppAbout() {
    CAboutDlg about(m_mainFrame.get());
    about.exec();
}

void CMorvixApp::OnFileNew() {
    if (m_document.OnNewDocument())
        m_mainFrame->View().OnInitialUpdate();
}

void CMorvixApp::OnFileOpen() {
    const QString path = QFileDialog::getOpenFileName(m_mainFrame.get());
    if (path.isEmpty())
        return;
    if (m_document.OnOpenDocument(path.toLocal8Bit().constData()))
        m_mainFrame->View().OnInitialUpdate();
}
