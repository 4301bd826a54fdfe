#pragma once

#include "DeviceWithSettings.h"
#include "scripting/PanelBusService.h"
#include "session/DeviceSession.h"
#include "ui/view/CMorvixView.h"

#include <QDBusConnection>
#include <QTest>

// The real view, its controller and the simulated device, on the bus as a running panel is.
struct BusPanel {
    bool Start() {
        if (!device.Start())
            return false;
        view.OnInitialUpdate();
        // Past the synchronisation, so only what the test causes reaches the log.
        if (!QTest::qWaitFor([this] { return device.sim.validFrameCount() >= 9; }, 5000))
            return false;
        if (!QTest::qWaitFor([this] { return !view.Panel().Session().Link().SyncRunning(); }, 2000))
            return false;
        device.sim.clearLog();
        return service.Register(QDBusConnection::sessionBus());
    }
    PanelController& panel() { return view.Panel(); }

    DeviceWithSettings device;
    DeviceSession session;
    CMorvixView view{session};
    PanelBusService service{session};
};

#define START_PANEL(p) QVERIFY2((p).Start(), qPrintable((p).device.sim.errorString()))
