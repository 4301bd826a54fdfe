#pragma once

#include "DevSim.h"
#include "FrameText.h"
#include "HostedPanel.h"
#include "session/DeviceSession.h"
#include "ui/view/CMorvixView.h"

#include <QtTest>

namespace panel_test {

// The view on the simulated device, with the port opened the way Connect opens it but without
// the synchronisation, so only what the operator causes reaches the device.
class Rig {
public:
    Rig() {
        ok = sim.start();
        PanelController& p = panel();
        p.ResetState();
        p.Session().Settings().SetPortName(sim.portPath());
        EditChannels(p, [](ChannelModel& m) {
            for (int i = 0; i < CHANNEL_COUNT; ++i) {
                m.SetLevel(i, 100);
                m.SetPower(i, 1);
            }
        });
        p.Session().Connect();
        if (!p.Session().PortOpen())
            errors << p.Session().Com().LastError().text;
        p.Session().Link().StopSynchronisation();
        ok = ok && p.Session().PortOpen();
    }

    PanelController& panel() { return view.Panel(); }

    // The frames the device got since the last call: a poll goes out as an end marker, and
    // since every frame is written from this thread, all earlier ones are in when it is.
    QStringList Frames(std::vector<DevSimFrame>* raw = nullptr) {
        panel().SendCommand(CMD_POLL);
        std::vector<DevSimFrame> frames = sim.validFrames();
        while (frames.empty() || frames.back().command.kind != DevSimCommandKind::Poll) {
            if (!sim.waitForValidFrames(int(frames.size()) + 1, 5000))
                return {QStringLiteral("timeout")};
            frames = sim.validFrames();
        }
        frames.pop_back();
        sim.clearLog();
        QStringList text;
        for (const DevSimFrame& f : frames)
            text << Describe(f);
        if (raw)
            *raw = frames;
        return text;
    }

    void Tick() { panel().OnRepeatTick(); }
    void Move(int x, int y, Qt::MouseButtons buttons = Qt::NoButton) {
        QMouseEvent e(QEvent::MouseMove, QPointF(x, y), view.mapToGlobal(QPointF(x, y)),
                      Qt::NoButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &e);
    }

    DevSim sim;
    DeviceSession session;
    CMorvixView view{session};
    QStringList errors;
    bool ok = false;
};

} // namespace panel_test

#define VERIFY_RIG(rig)                                                                            \
    QVERIFY2((rig).ok, qPrintable((rig).sim.errorString() + (rig).errors.join(';')))
