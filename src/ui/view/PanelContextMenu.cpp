#include "ui/view/PanelContextMenu.h"

#include <QLocale>

PanelContextMenu::PanelContextMenu(QWidget* parent) : QMenu(parent) {
    setAccessibleName(tr("Scenes"));
    for (int slot = 1; slot <= SCENE_SLOTS; ++slot) {
        QAction* recall = addAction(RecallText(slot, std::nullopt));
        connect(recall, &QAction::triggered, this, [this, slot] { Q_EMIT RecallRequested(slot); });
        m_recall[slot - 1] = recall;
    }
    addSeparator();

    m_storeMenu = addMenu(tr("&Store current as"));
    m_storeMenu->setAccessibleName(tr("Store current as"));
    for (int slot = 1; slot <= SCENE_SLOTS; ++slot) {
        // The text after the tab is shown as the key; the menu itself binds none.
        QAction* store = m_storeMenu->addAction(tr("&%1\tShift+F%2").arg(slot).arg(slot + 1));
        connect(store, &QAction::triggered, this, [this, slot] { Q_EMIT StoreRequested(slot); });
        m_store[slot - 1] = store;
    }
    m_fadeTime = addAction(tr("&Fade time…"));
    connect(m_fadeTime, &QAction::triggered, this, &PanelContextMenu::FadeTimesRequested);
    addSeparator();
    m_surface = addAction(tr("Control s&urface…"));
    connect(m_surface, &QAction::triggered, this, &PanelContextMenu::SurfaceRequested);
    m_setup = addAction(tr("Se&tup…"));
    connect(m_setup, &QAction::triggered, this, &PanelContextMenu::SetupRequested);
    m_remote = addAction(tr("&Remote…"));
    connect(m_remote, &QAction::triggered, this, &PanelContextMenu::RemoteRequested);
    m_exit = addAction(tr("E&xit…"));
    connect(m_exit, &QAction::triggered, this, &PanelContextMenu::ExitRequested);
}

void PanelContextMenu::SetSlots(const SceneMenuSlots& slots) {
    for (int slot = 1; slot <= SCENE_SLOTS; ++slot)
        m_recall[slot - 1]->setText(RecallText(slot, slots[slot - 1]));
}

QString PanelContextMenu::RecallText(int slot, std::optional<double> fadeSeconds) {
    const QString key = QStringLiteral("\tF%1").arg(slot + 1);
    if (!fadeSeconds)
        return tr("&%1").arg(slot) + key;
    return tr("&%1  (%2 s)").arg(slot).arg(QLocale::c().toString(*fadeSeconds, 'f', 1)) + key;
}
