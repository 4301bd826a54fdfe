#include "app/CMorvixApp.h"

#include "app/CAboutDlg.h"
#include "app/CMainFrame.h"
#include "app/StartupTrace.h"
#include "panel/CMorvixView.h"

#include <QAction>
#include <QFileDialog>
#include <QIcon>
#include <csignal>

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
    m_mainFrame = std::make_unique<CMainFrame>();
    AddShortcuts();
    StartupTrace::WatchIfRequested(&m_mainFrame->View());
    m_mainFrame->View().OnInitialUpdate();
    m_mainFrame->show();
    m_mainFrame->View().setFocus();
    return true;
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
