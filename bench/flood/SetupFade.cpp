#include "SetupFade.h"

#include "FloodClient.h"
#include "PanelRig.h"
#include "XInput.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>

namespace {

constexpr int kChannel = 2;
constexpr int kTarget = 250;

// The SETUP button's centre in the panel's own pixels; the view fills the window's top left.
constexpr int kSetupX = 140;
constexpr int kSetupY = 410;

// Reads what watch printed, waiting up to `quietMs` for each further line; counts channel 2's.
int ReadWatch(QProcess& watch, int quietMs) {
    int lines = 0;
    for (;;) {
        while (watch.canReadLine())
            lines += watch.readLine().split(' ').value(0).toInt() == kChannel ? 1 : 0;
        if (!watch.waitForReadyRead(quietMs))
            return lines;
    }
}

bool SetLevel(int level, QString& error) {
    QDBusMessage call = QDBusMessage::createMethodCall(ServiceName(), ObjectPath(), InterfaceName(),
                                                       QStringLiteral("SetLevel"));
    call << kChannel << level;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
    if (reply.type() != QDBusMessage::ReplyMessage)
        error = QStringLiteral("SetLevel on the panel failed: %1").arg(reply.errorMessage());
    return error.isEmpty();
}

int Channel2Frames(const std::vector<DeviceFrame>& frames, std::size_t from) {
    int count = 0;
    for (std::size_t i = from; i < frames.size(); ++i)
        count += frames[i].set && frames[i].channel == kChannel ? 1 : 0;
    return count;
}

} // namespace

bool RunSetupFade(PanelRig& rig, XInput& x, SetupFadeResult& r, QString& error) {
    QProcess watch;
    watch.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    PanelRig::startChild(watch, rig.program(QStringLiteral("morvix-ctl")),
                         {QStringLiteral("watch")});
    if (!watch.waitForStarted()) {
        error = QStringLiteral("morvix-ctl watch did not start");
        return false;
    }
    // Know that watch listens: it prints a script's change while no dialog is open. It may
    // subscribe after the first calls, so each call changes the level until a line comes; the
    // last one puts the channel at 0, where the fade starts.
    bool listening = false;
    for (int attempt = 1; attempt <= 20 && !listening; ++attempt)
        listening = SetLevel(attempt, error) && ReadWatch(watch, 250) > 0;
    if (!listening || !SetLevel(0, error) || ReadWatch(watch, 2000) == 0) {
        if (error.isEmpty())
            error = QStringLiteral("morvix-ctl watch printed nothing for a script's change");
        PanelRig::stopChild(watch);
        return false;
    }

    const QRect panel = x.windowRect(QStringLiteral("Morvix"));
    x.click(panel.x() + kSetupX, panel.y() + kSetupY);
    QRect setup;
    if (!rig.log().waitFor(
            [&] { return !(setup = x.windowRect(QStringLiteral("Setup"))).isEmpty(); }, 5000)) {
        error = QStringLiteral("a click on SETUP opened no Setup dialog");
        PanelRig::stopChild(watch);
        return false;
    }

    rig.log().poll();
    const std::size_t fadeFrom = rig.log().frames().size();
    QProcess fade;
    fade.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    PanelRig::startChild(fade, rig.program(QStringLiteral("morvix-ctl")),
                         {QStringLiteral("fade"), QString::number(kChannel),
                          QString::number(kTarget), QStringLiteral("1.5")});
    if (!fade.waitForFinished(10000) || fade.exitCode() != 0) {
        error = QStringLiteral("morvix-ctl fade failed");
        PanelRig::stopChild(fade);
        PanelRig::stopChild(watch);
        return false;
    }
    const auto reachedTarget = [&] {
        const auto& frames = rig.log().frames();
        for (std::size_t i = fadeFrom; i < frames.size(); ++i)
            if (frames[i].set && frames[i].channel == kChannel && frames[i].level == kTarget)
                return true;
        return false;
    };
    if (!rig.log().waitFor(reachedTarget, 10000) || !rig.log().waitForQuietLine(300, 10000)) {
        error = QStringLiteral("the fade did not reach the device within 10 s");
        PanelRig::stopChild(watch);
        return false;
    }
    r.framesOnWire = Channel2Frames(rig.log().frames(), fadeFrom);
    r.watchLines = ReadWatch(watch, 300);

    // What was held back comes when the dialog closes; without a window manager the keyboard
    // follows the pointer into the dialog.
    x.movePointer(setup.center().x(), setup.center().y());
    x.pressEscape();
    r.setupClosed =
        rig.log().waitFor([&] { return x.windowRect(QStringLiteral("Setup")).isEmpty(); }, 5000);
    if (r.setupClosed)
        r.watchLinesOnClose = ReadWatch(watch, 500);
    PanelRig::stopChild(watch);
    return true;
}
