#include "app/SurfaceBridge.h"

#include "app/CMainFrame.h"
#include "panel/HitTest.h"
#include "session/DeviceSession.h"
#include "surface/ControlSurface.h"
#include "ui/dialogs/CSurfaceDlg.h"
#include "ui/view/CMorvixView.h"
#include "ui/view/PanelContextMenu.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStatusBar>

SurfaceBridge::SurfaceBridge(DeviceSession& session, CMainFrame& frame, QObject* parent)
    : QObject(parent), m_session(session), m_frame(frame),
      m_surface(std::make_unique<ControlSurface>(session)) {
    m_pane = new QLabel(&m_frame);
    m_pane->setAccessibleName(tr("Control surface"));
    m_frame.statusBar()->insertPermanentWidget(0, m_pane);
    m_pane->hide();
    connect(m_surface.get(), &ControlSurface::StateChanged, this, [this] {
        ShowState();
        Q_EMIT StateChanged();
    });
    CMorvixView& view = m_frame.View();
    connect(&m_surface->Engine(), &SurfaceEngine::MarksChanged, &view,
            &CMorvixView::SetPickUpMarks);
    connect(&view.PanelMenu(), &PanelContextMenu::SurfaceRequested, this,
            &SurfaceBridge::OpenDialog);
    connect(&m_surface->Engine(), &SurfaceEngine::ControlHeard, this, [this](const QString& c) {
        m_learnPrompt = tr("Learn: click for %1").arg(c);
        ShowState();
    });
    view.installEventFilter(this);
}

SurfaceBridge::~SurfaceBridge() = default;

void SurfaceBridge::Start() {
    m_surface->Start(m_session.Settings().FolderPath());
    ShowState();
}

QString SurfaceBridge::PaneText() const {
    return m_pane->text();
}

// The status bar has little room: the learn prompts take the pane's place while they last, and
// the tooltip tells the whole state.
void SurfaceBridge::ShowState() {
    const QString text = m_learning ? m_learnPrompt : m_surface->StateText();
    m_pane->setText(text);
    m_pane->setToolTip(m_surface->Summary());
    m_pane->setVisible(!text.isEmpty());
}

void SurfaceBridge::OpenDialog() {
    const SurfaceChoice& choice = m_surface->Choice();
    SurfaceDialogValues values;
    values.ports = m_surface->Ports(&values.portsProblem);
    values.profiles = SurfaceProfileIds();
    values.port = choice.port;
    values.profile = choice.profile;
    values.pickUp = choice.pickUp;
    CSurfaceDlg dialog(&m_frame);
    dialog.SetValues(values);
    // Controllers plugged in or out while the dialog is open show up in its list.
    connect(m_surface.get(), &ControlSurface::PortsChanged, &dialog, [this, &dialog] {
        QString problem;
        const QStringList ports = m_surface->Ports(&problem);
        dialog.SetPorts(ports, problem);
    });
    int answer = QDialog::Rejected;
    {
        // Faders, scripts and fades go on while the dialog is open, and are announced as made.
        const DeviceSession::ModalGap gap(m_session);
        answer = dialog.exec();
    }
    if (answer != QDialog::Accepted)
        return;
    const SurfaceDialogValues chosen = dialog.Values();
    SurfaceChoice next = choice;
    next.port = chosen.port;
    next.pickUp = chosen.pickUp;
    if (chosen.profile != choice.profile) {
        next.profile = chosen.profile;
        next.learned = {};
    }
    if (const QString problem = m_surface->Apply(next); !problem.isEmpty()) {
        QMessageBox::warning(&m_frame, tr("Control surface"), problem);
        return;
    }
    if (chosen.learn)
        StartLearning();
}

void SurfaceBridge::StartLearning() {
    m_learning = true;
    m_surface->Engine().SetLearning(true);
    m_learnPrompt = tr("Learn: move a control");
    ShowState();
}

void SurfaceBridge::StopLearning(const QString& note) {
    m_learning = false;
    m_surface->Engine().SetLearning(false);
    ShowState();
    if (note.isEmpty())
        m_frame.statusBar()->clearMessage();
    else
        m_frame.statusBar()->showMessage(note, CMainFrame::kStatusMessageMs);
}

bool SurfaceBridge::LearnClick(int x, int y) {
    const int row = HitTest::ChannelBand(y);
    if (row == HitTest::kNone || !HitTest::InPressArea(x))
        return false;
    const bool onSwitch = HitTest::InSwitchColumn(x);
    if (!onSwitch && !HitTest::OnSliderPress(x))
        return false;
    const auto element = onSwitch ? SurfaceEngine::Element::Switch : SurfaceEngine::Element::Fader;
    const auto heard = m_surface->Engine().HeardControl();
    if (const QString problem = m_surface->Engine().AssignHeard(row, element); !problem.isEmpty()) {
        m_frame.statusBar()->showMessage(problem, CMainFrame::kStatusMessageMs);
        return true;
    }
    StopLearning(tr("%1: channel %2's %3")
                     .arg(heard ? heard->ToText() : QString())
                     .arg(row + 1)
                     .arg(onSwitch ? tr("switch") : tr("slider")));
    return true;
}

bool SurfaceBridge::eventFilter(QObject* watched, QEvent* event) {
    if (!m_learning || watched != &m_frame.View())
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        StopLearning(tr("Learn ended"));
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            const QPoint at = mouse->position().toPoint();
            return LearnClick(at.x(), at.y());
        }
    }
    return QObject::eventFilter(watched, event);
}

QStringList SurfaceBridge::Ports(QString& error) {
    error.clear();
    return m_surface->Ports(&error);
}

QString SurfaceBridge::Use(const QString& port, const QString& profile) {
    return m_surface->Use(port, profile);
}

void SurfaceBridge::Off() {
    m_surface->Off();
}

QString SurfaceBridge::Summary() const {
    return m_surface->Summary();
}
