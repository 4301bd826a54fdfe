#include "app/RemoteDialogBridge.h"

#include "remote/RemoteHosts.h"
#include "remote/RemoteService.h"
#include "ui/dialogs/CRemoteDlg.h"
#include "ui/view/CMorvixView.h"

namespace {

RemoteStatus StatusOf(const RemoteService& service, const QString& problem) {
    RemoteStatus status;
    status.running = service.Running();
    status.boundPort = service.BoundPort();
    status.lanAddress = LanAddress();
    status.link = service.Link();
    status.clients = service.ClientCount();
    status.problem = problem;
    return status;
}

void Apply(RemoteService& service, const RemoteChoice& choice, QString& problem) {
    problem.clear();
    if (!choice.enabled) {
        if (service.Running())
            service.TurnOff();
        return;
    }
    const RemoteSettings now = service.Settings();
    // Restarting closes every open page: only when where it listens really changes.
    if (service.Running() && now.lan == choice.lan && now.port == choice.port)
        return;
    problem = service.TurnOn(choice.lan, choice.port);
}

} // namespace

void RunRemoteDialog(QWidget* parent, RemoteService& service) {
    CRemoteDlg dialog(parent);
    const RemoteSettings settings = service.Settings();
    dialog.SetChoice({service.Running(), settings.lan, settings.port});
    QString problem;
    const auto refresh = [&] { dialog.SetStatus(StatusOf(service, problem)); };
    refresh();
    QObject::connect(&service, &RemoteService::StateChanged, &dialog, refresh);
    QObject::connect(&service, &RemoteService::ClientCountChanged, &dialog, refresh);
    QObject::connect(&dialog, &CRemoteDlg::ChoiceChanged, &dialog, [&](const RemoteChoice& choice) {
        Apply(service, choice, problem);
        refresh();
    });
    QObject::connect(&dialog, &CRemoteDlg::NewLinkRequested, &dialog,
                     [&service] { service.NewLink(); });
    dialog.exec();
}

void ConnectRemoteDialog(CMorvixView& view, RemoteService& service) {
    QObject::connect(&view, &CMorvixView::RemoteRequested, &service,
                     [&view, &service] { RunRemoteDialog(view.window(), service); });
}
