#include "ui/dialogs/CFadeTimeDlg.h"
#include "ui/view/CMorvixView.h"
#include "ui/view/PanelContextMenu.h"

#include <QContextMenuEvent>
#include <QKeyEvent>

// F2..F9 recall scenes 1..8, Shift+F2..F9 store them; the Menu key and Shift+F10 open the
// panel's menu. F1 stays About (the main frame's).
bool CMorvixView::HandleSceneKey(const QKeyEvent& event) {
    const Qt::KeyboardModifiers mods =
        event.modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event.key();
    if (key == Qt::Key_Menu || (key == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
        ShowPanelMenu(mapToGlobal(rect().center()));
        return true;
    }
    if (key < Qt::Key_F2 || key > Qt::Key_F9)
        return false;
    const int slot = key - Qt::Key_F2 + 1;
    if (mods == Qt::NoModifier)
        m_panel.Session().RecallScene(slot);
    else if (mods == Qt::ShiftModifier)
        m_panel.Session().StoreScene(slot);
    else
        return false;
    return true;
}

void CMorvixView::contextMenuEvent(QContextMenuEvent* event) {
    // The keyboard's own menu request has been handled as a key already.
    if (event->reason() == QContextMenuEvent::Keyboard)
        ShowPanelMenu(mapToGlobal(rect().center()));
    else
        ShowPanelMenu(event->globalPos());
    event->accept();
}

PanelContextMenu& CMorvixView::PanelMenu() {
    if (!m_panelMenu) {
        m_panelMenu = std::make_unique<PanelContextMenu>(this);
        PanelContextMenu* menu = m_panelMenu.get();
        connect(menu, &PanelContextMenu::RecallRequested, this,
                [this](int slot) { m_panel.Session().RecallScene(slot); });
        connect(menu, &PanelContextMenu::StoreRequested, this,
                [this](int slot) { m_panel.Session().StoreScene(slot); });
        connect(menu, &PanelContextMenu::FadeTimesRequested, this, &CMorvixView::EditFadeTimes);
        connect(menu, &PanelContextMenu::SetupRequested, this, [this] { m_panel.RunSetup(); });
        connect(menu, &PanelContextMenu::RemoteRequested, this, &CMorvixView::RemoteRequested);
        connect(menu, &PanelContextMenu::ExitRequested, this, [this] { m_panel.ExitProgram(); });
    }
    SceneMenuSlots slots;
    const SceneSlots scenes = m_panel.Session().Scenes();
    for (int slot = 1; slot <= SCENE_SLOTS; ++slot) {
        const SceneSlotContents contents = scenes.Read(slot);
        if (contents.state == SceneState::Stored)
            slots[slot - 1] = contents.scene.fadeSeconds;
    }
    m_panelMenu->SetSlots(slots);
    return *m_panelMenu;
}

void CMorvixView::ShowPanelMenu(const QPoint& globalPos) {
    // Modal like the dialogs: the panel's timers and the link go on meanwhile.
    PanelMenu().exec(globalPos);
}

void CMorvixView::EditFadeTimes() {
    if (!m_fadeTimeDlg)
        m_fadeTimeDlg = std::make_unique<CFadeTimeDlg>(this);
    const SceneSlots scenes = m_panel.Session().Scenes();
    FadeTimes before;
    for (int slot = 1; slot <= SCENE_SLOTS; ++slot)
        before.seconds[slot - 1] = scenes.Read(slot).scene.fadeSeconds;
    m_fadeTimeDlg->SetTimes(before);
    if (m_fadeTimeDlg->exec() != QDialog::Accepted)
        return;
    const FadeTimes after = m_fadeTimeDlg->Times();
    for (int slot = 1; slot <= SCENE_SLOTS; ++slot) {
        // Only what changed: an unreadable slot the operator did not touch stays unmentioned.
        if (after.seconds[slot - 1] == before.seconds[slot - 1])
            continue;
        const QString reason = m_panel.Session().SetSceneFadeTime(slot, after.seconds[slot - 1]);
        if (!reason.isEmpty())
            ShowMessage(tr("The fade time of scene %1 was not saved:\n%2").arg(slot).arg(reason),
                        QStringLiteral("Morvix"));
    }
}
