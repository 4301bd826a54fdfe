#include "app/CMainFrame.h"

#include "app/ClockText.h"
#include "app/LockKeys.h"
#include "ui/view/CMorvixView.h"

#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

CMainFrame::CMainFrame() {
    // No maximize box, no resizing, no menu bar, no toolbar.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    m_view = new CMorvixView(this);
    connect(this, &CMainFrame::CloseRequested, &m_view->Panel(), &PanelController::RequestClose);
    setCentralWidget(m_view);

    auto* bar = statusBar();
    bar->setSizeGripEnabled(false);
    m_capsPane = new QLabel(this);
    m_numPane = new QLabel(this);
    m_clockPane = new QLabel(this);
    m_clockPane->setFixedWidth(kClockPaneWidth);
    // The fade's progress, "fade 1.2 / 3.0 s", while one runs.
    m_fadePane = new QLabel(this);
    m_fadePane->setAccessibleName(tr("Fade progress"));
    m_fadePane->setMinimumWidth(
        m_fadePane->fontMetrics().horizontalAdvance(QStringLiteral("fade 0000.0 / 0000.0 s")));
    bar->addPermanentWidget(m_fadePane);
    for (QLabel* pane : {m_capsPane, m_numPane})
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("CAPW")));
    bar->addPermanentWidget(m_capsPane);
    bar->addPermanentWidget(m_numPane);
    bar->addPermanentWidget(m_clockPane);

    PanelController& panel = m_view->Panel();
    connect(&panel, &PanelController::FadeProgressChanged, m_fadePane, &QLabel::setText);
    connect(&panel, &PanelController::StatusMessage, bar,
            [bar](const QString& text) { bar->showMessage(text, kStatusMessageMs); });

    m_clockTimer = new QTimer(this);
    connect(m_clockTimer, &QTimer::timeout, this, &CMainFrame::OnTimer);
    m_clockTimer->start(kClockTimerMs);

    setWindowTitle(QStringLiteral("Morvix [V1.3]"));
    setFixedSize(sizeHint());
    m_view->installEventFilter(this);
    UpdateLockPanes();
}

CMainFrame::~CMainFrame() = default;

QString CMainFrame::ClockPaneText() const {
    return m_clockPane->text();
}

QString CMainFrame::FadePaneText() const {
    return m_fadePane->text();
}

void CMainFrame::OnTimer() {
    m_clockPane->setText(ClockText(QDateTime::currentDateTime()));
    UpdateLockPanes();
}

void CMainFrame::UpdateLockPanes() {
    const LockKeyState locks = QueryLockKeys();
    m_capsPane->setText(locks.capsLock ? QStringLiteral("CAP") : QString());
    m_numPane->setText(locks.numLock ? QStringLiteral("NUM") : QString());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    Q_EMIT CloseRequested();
    event->ignore();
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // Lock keys change the indicator state; show it without waiting for the next clock tick.
    if (event->type() == QEvent::KeyRelease)
        UpdateLockPanes();
    return QMainWindow::eventFilter(watched, event);
}
