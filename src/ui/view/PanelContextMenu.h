#pragma once

#include "settings/SceneSlots.h"

#include <QMenu>
#include <array>
#include <optional>

// What the menu shows of each slot: its fade time when a scene is stored, nothing when empty.
using SceneMenuSlots = std::array<std::optional<double>, SCENE_SLOTS>;

// The right button's menu over the panel: recall a scene, store the panel into a slot, the slots'
// fade times, Setup and Exit as the buttons do them, and the browser remote. It only asks; the view
// acts.
class PanelContextMenu : public QMenu {
    Q_OBJECT

public:
    explicit PanelContextMenu(QWidget* parent = nullptr);

    void SetSlots(const SceneMenuSlots& slots);
    // The recall entry of slot 1..8, and the store entry.
    QAction* RecallAction(int slot) const { return m_recall.at(slot - 1); }
    QAction* StoreAction(int slot) const { return m_store.at(slot - 1); }
    QAction* FadeTimeAction() const { return m_fadeTime; }
    QAction* SurfaceAction() const { return m_surface; }
    QAction* SetupAction() const { return m_setup; }
    QAction* RemoteAction() const { return m_remote; }
    QAction* ExitAction() const { return m_exit; }
    QMenu* StoreMenu() const { return m_storeMenu; }

    // "1", or "1 (2.5 s)" with a stored scene; the F-key beside it.
    static QString RecallText(int slot, std::optional<double> fadeSeconds);

Q_SIGNALS:
    void RecallRequested(int slot);
    void StoreRequested(int slot);
    void FadeTimesRequested();
    // Whoever holds the control surface answers this; the view does not.
    void SurfaceRequested();
    void SetupRequested();
    void RemoteRequested();
    void ExitRequested();

private:
    std::array<QAction*, SCENE_SLOTS> m_recall{};
    std::array<QAction*, SCENE_SLOTS> m_store{};
    QMenu* m_storeMenu = nullptr;
    QAction* m_fadeTime = nullptr;
    QAction* m_surface = nullptr;
    QAction* m_setup = nullptr;
    QAction* m_remote = nullptr;
    QAction* m_exit = nullptr;
};
