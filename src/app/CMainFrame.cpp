#include "app/CMainFrame.h"

#include "app/ClockText.h"
#include "model/Version.h"
#include "remote/RemoteService.h"
#include "session/DeviceSession.h"
#include "ui/view/CMorvixView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

CMainFrame::CMainFrame(DeviceSession& session) {
    // No maximize box, no resizing, no menu bar, no toolbar.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_view = new CMorvixView(session, this);
    connect(this, &CMainFrame::CloseRequested, &session, &DeviceSession::RequestClose);
    setCentralWidget(m_view);

    auto* bar = statusBar();
    bar->setSizeGripEnabled(false);
    m_capsPane = new QLabel(this);
    m_numPane = new QLabel(this);
    m_clockPane = new QLabel(this);
    // Fixed in both directions, so a new text repaints the pane and nothing else: a pane that
    // may grow would have the status bar laid out again every second.
    m_clockPane->setFixedSize(kClockPaneWidth, m_clockPane->sizeHint().height());
    // The fade's progress, "fade 1.2 / 3.0 s", while one runs; fixed like the clock, so its new
    // text every tenth of a second repaints the pane only.
    m_fadePane = new QLabel(this);
    m_fadePane->setAccessibleName(tr("Fade progress"));
    m_fadePane->setFixedSize(
        m_fadePane->fontMetrics().horizontalAdvance(QStringLiteral("fade 0000.0 / 0000.0 s")),
        m_fadePane->sizeHint().height());
    bar->addPermanentWidget(m_fadePane);
    for (QLabel* pane : {m_capsPane, m_numPane})
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("CAPW")));
    bar->addPermanentWidget(m_capsPane);
    bar->addPermanentWidget(m_numPane);
    bar->addPermanentWidget(m_clockPane);

    connect(&session, &DeviceSession::FadeProgressChanged, m_fadePane, &QLabel::setText);
    // Only while a fade runs: the room is the control surface's pane's otherwise.
    m_fadePane->hide();
    connect(&session, &DeviceSession::FadingChanged, m_fadePane, &QLabel::setVisible);
    connect(&session, &DeviceSession::StatusMessage, bar,
            [bar](const QString& text) { bar->showMessage(text, kStatusMessageMs); });

    m_clockTimer = new QTimer(this);
    // Armed anew at every tick for the start of the next second: a repeating timer keeps the
    // phase it started with and would show each second up to a second late.
    m_clockTimer->setSingleShot(true);
    m_clockTimer->setTimerType(Qt::PreciseTimer);
    connect(m_clockTimer, &QTimer::timeout, this, &CMainFrame::OnTimer);
    m_clockTimer->start(MsUntilClockTick(QTime::currentTime()));

    setWindowTitle(QStringLiteral("Morvix [V%1]").arg(QLatin1String(kMorvixVersion)));
    setFixedSize(sizeHint());
    int capsBit = 0, numBit = 0;
    quint32 indicators = 0;
    if (m_x11LockKeys.Start(
            [this](quint32 state) {
                if (m_lockKeys.OnIndicatorState(state))
                    ShowLockPanes();
            },
            &capsBit, &numBit, &indicators)) {
        m_lockKeys.FollowIndicators(capsBit, numBit, indicators);
    } else if (qApp) {
        // Without indicator notifications the lock keys are followed as they are pressed in any
        // of the program's windows.
        qApp->installEventFilter(this);
    }
    ShowLockPanes();
}

CMainFrame::~CMainFrame() = default;

QString CMainFrame::ClockPaneText() const {
    return m_clockPane->text();
}

QString CMainFrame::FadePaneText() const {
    return m_fadePane->text();
}

void CMainFrame::ShowRemote(RemoteService& remote) {
    if (!m_remotePane) {
        m_remotePane = new QLabel(this);
        m_remotePane->setAccessibleName(tr("Remote pages open"));
        statusBar()->insertPermanentWidget(0, m_remotePane);
    }
    const auto show = [this, &remote] {
        m_remotePane->setText(tr("remote: %1").arg(remote.ClientCount()));
        m_remotePane->setVisible(remote.Running());
    };
    connect(&remote, &RemoteService::StateChanged, m_remotePane, show);
    connect(&remote, &RemoteService::ClientCountChanged, m_remotePane, show);
    show();
}

QString CMainFrame::RemotePaneText() const {
    return m_remotePane ? m_remotePane->text() : QString();
}

bool CMainFrame::RemotePaneShown() const {
    return m_remotePane && !m_remotePane->isHidden();
}

QString CMainFrame::CapsLockPaneText() const {
    return m_capsPane->text();
}

QString CMainFrame::NumLockPaneText() const {
    return m_numPane->text();
}

void CMainFrame::OnTimer() {
    const QDateTime now = QDateTime::currentDateTime();
    m_clockPane->setText(ClockText(now));
    m_clockTimer->start(MsUntilClockTick(now.time()));
}

void CMainFrame::ShowLockPanes() {
    m_capsPane->setText(::CapsLockPaneText(m_lockKeys.State()));
    m_numPane->setText(::NumLockPaneText(m_lockKeys.State()));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    Q_EMIT CloseRequested();
    event->ignore();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // A key press reaches its window once and then each widget it is passed on to; the window's
    // copy counts.
    if (event->type() == QEvent::KeyPress && watched->isWindowType()) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (m_lockKeys.OnKeyPress(key->key(), key->isAutoRepeat()))
            ShowLockPanes();
    }
    return QMainWindow::eventFilter(watched, event);
}
