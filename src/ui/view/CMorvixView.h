#pragma once

#include "model/PickUpMarks.h"
#include "panel/PanelController.h"
#include "panel/PanelHost.h"
#include "ui/dialogs/CExitDlg.h"
#include "ui/dialogs/CSetupDlg.h"
#include "ui/view/PanelRenderer.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <memory>

class CFadeTimeDlg;
class PanelContextMenu;
class QHelpEvent;
class QPainter;

// The one view: the painted control panel, a client of the session. It owns the panel's own road
// (PanelController), the exit dialog and the Setup dialog, turns Qt events into the road's
// handlers and paints the session's state.
class CMorvixView : public QWidget, public PanelHost {
    Q_OBJECT

public:
    // The client area the original's 535 x 500 window leaves for the view: the whole panel
    // (bottom bar down to y = 440) with a small white margin.
    static constexpr int kViewWidth = 529;
    static constexpr int kViewHeight = 451;

    explicit CMorvixView(DeviceSession& session, QWidget* parent = nullptr);
    ~CMorvixView() override;

    PanelController& Panel() { return m_panel; }
    const PanelController& Panel() const { return m_panel; }
    const PanelRenderer& Renderer() const { return m_renderer; }

    void OnInitialUpdate() { m_panel.OnInitialUpdate(); }

    // PanelHost
    void RequestRepaint() override;
    DialogResult RunExitDialog() override;
    DialogResult RunSetupDialog(SetupValues& values) override;
    // Emits ExitConfirmed: whoever owns the application ends it.
    void PostQuit(int exitCode) override;
    void ShowMessage(const QString& text, const QString& caption) override;
    bool AskYesNo(const QString& text, const QString& caption) override;

    // The right button's menu (also the Menu key and Shift+F10), filled with the slots as they
    // are now; and the slots' fade times.
    PanelContextMenu& PanelMenu();
    void ShowPanelMenu(const QPoint& globalPos);
    void EditFadeTimes();

    // A control surface's pick-up marks, beside each row's level; all None hides them.
    void SetPickUpMarks(const PickUpMarks& marks);
    const PickUpMarks& ShownPickUpMarks() const { return m_pickUpMarks; }

Q_SIGNALS:
    // The operator confirmed the exit; the program should end with this code.
    void ExitConfirmed(int exitCode);
    // "Remote…" was chosen; the remote is the application's, so it runs the dialog.
    void RemoteRequested();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Tab belongs to the panel (channel selection), not to focus navigation.
    bool focusNextPrevChild(bool next) override;

private:
    // The link lamp's tooltip: the link's figures, kept current while it is shown.
    bool ShowLinkTooltip(const QHelpEvent& help);
    void RefreshLinkTooltip();
    bool HandleSceneKey(const QKeyEvent& event);
    void PaintPickUpMarks(QPainter& p, const QRegion& region) const;

    PanelController m_panel;
    // Built on first use, kept for the view's life (Setup keeps its values between showings);
    // nothing of them is needed to show the panel, so start-up does not pay for them.
    std::unique_ptr<CExitDlg> m_exitDlg;
    std::unique_ptr<CSetupDlg> m_setupDlg;
    std::unique_ptr<PanelContextMenu> m_panelMenu;
    std::unique_ptr<CFadeTimeDlg> m_fadeTimeDlg;
    PanelRenderer m_renderer;
    // Paints follow each other no faster than a screen's frames.
    static constexpr qint64 kPaintIntervalMs = 16;
    QElapsedTimer m_lastPaint;
    QTimer m_paintLater;
    // Where the lamp's tooltip was asked for while it is ours and open; its ages count on with
    // a refresh once a second, and only then.
    bool m_linkTipShown = false;
    QPoint m_linkTipPos;
    QTimer m_linkTipRefresh;
    PickUpMarks m_pickUpMarks{};
};
