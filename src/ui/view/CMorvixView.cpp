#include "ui/view/CMorvixView.h"

#include "panel/HitTest.h"
#include "ui/a11y/PanelAccessible.h"
#include "ui/dialogs/CFadeTimeDlg.h"
#include "ui/view/PanelContextMenu.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QMessageBox>
#include <QToolTip>

CMorvixView::CMorvixView(DeviceSession& session, QWidget* parent)
    : QWidget(parent), m_panel(session, *this) {
    setFixedSize(kViewWidth, kViewHeight);
    // Every paint covers the whole view from the canvas, so Qt need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    // The Setup command: the same as the SETUP button. No key or menu issues it.
    auto* setup = new QAction(tr("관리 설정"), this);
    setup->setData(32772);
    connect(setup, &QAction::triggered, this, [this] { m_panel.RunSetup(); });
    addAction(setup);
    InstallPanelAccessibility(*this);
    m_paintLater.setSingleShot(true);
    connect(&m_paintLater, &QTimer::timeout, this, &CMorvixView::RequestRepaint);
    m_linkTipRefresh.setInterval(1000);
    connect(&m_linkTipRefresh, &QTimer::timeout, this, &CMorvixView::RefreshLinkTooltip);
}

CMorvixView::~CMorvixView() = default;

// The dialogs belong to the view's window, so they open centred over the panel and stay above
// it, as dialogs owned by the main window do.
DialogResult CMorvixView::RunExitDialog() {
    if (!m_exitDlg)
        m_exitDlg = std::make_unique<CExitDlg>(this);
    return m_exitDlg->exec() == QDialog::Accepted ? DialogResult::Ok : DialogResult::Cancel;
}

DialogResult CMorvixView::RunSetupDialog(SetupValues& values) {
    if (!m_setupDlg)
        m_setupDlg = std::make_unique<CSetupDlg>(this);
    m_setupDlg->SetValues(values);
    if (m_setupDlg->exec() != QDialog::Accepted)
        return DialogResult::Cancel;
    values = m_setupDlg->values();
    return DialogResult::Ok;
}

void CMorvixView::PostQuit(int exitCode) {
    Q_EMIT ExitConfirmed(exitCode);
}

void CMorvixView::ShowMessage(const QString& text, const QString& caption) {
    QMessageBox::information(this, caption, text, QMessageBox::Ok);
}

bool CMorvixView::AskYesNo(const QString& text, const QString& caption) {
    return QMessageBox::question(this, caption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

bool CMorvixView::ShowLinkTooltip(const QHelpEvent& help) {
    if (HitTest::OnLinkLamp(help.pos().x(), help.pos().y())) {
        m_linkTipShown = true;
        m_linkTipPos = help.globalPos();
        QToolTip::showText(m_linkTipPos, LinkHealthText(m_panel.Session().Health()), this);
        m_linkTipRefresh.start();
    } else {
        m_linkTipShown = false;
        m_linkTipRefresh.stop();
        QToolTip::hideText();
    }
    return true;
}

void CMorvixView::RefreshLinkTooltip() {
    if (!m_linkTipShown)
        return;
    if (!QToolTip::isVisible()) {
        // Closed by the pointer leaving, a click or its time running out.
        m_linkTipShown = false;
        m_linkTipRefresh.stop();
        return;
    }
    const QString text = LinkHealthText(m_panel.Session().Health());
    if (text != QToolTip::text())
        QToolTip::showText(m_linkTipPos, text, this);
}

bool CMorvixView::focusNextPrevChild(bool) {
    return false;
}
