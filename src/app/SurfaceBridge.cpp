#include "app/SurfaceBridge.h"

#include "app/CMainFrame.h"
#include "session/DeviceSession.h"
#include "surface/ControlSurface.h"

#include <QLabel>
#include <QStatusBar>

SurfaceBridge::SurfaceBridge(DeviceSession& session, CMainFrame& frame, QObject* parent)
    : QObject(parent), m_session(session), m_frame(frame),
      m_surface(std::make_unique<ControlSurface>(session)) {
    m_pane = new QLabel(&m_frame);
    m_pane->setAccessibleName(tr("Control surface"));
    m_frame.statusBar()->insertPermanentWidget(0, m_pane);
    m_pane->hide();
    connect(m_surface.get(), &ControlSurface::StateChanged, this, &SurfaceBridge::ShowState);
}

SurfaceBridge::~SurfaceBridge() = default;

void SurfaceBridge::Start() {
    m_surface->Start(m_session.Settings().FolderPath());
    ShowState();
}

QString SurfaceBridge::PaneText() const {
    return m_pane->text();
}

void SurfaceBridge::ShowState() {
    const QString text = m_surface->StateText();
    m_pane->setText(text);
    m_pane->setVisible(!text.isEmpty());
}
