#pragma once

class CMorvixView;
class QWidget;
class RemoteService;

// "Remote…" for the application, which owns the remote: the dialog shows the service as it is,
// and each choice the operator makes is applied at once, so the link and its QR code appear
// while the dialog is still open.
void RunRemoteDialog(QWidget* parent, RemoteService& service);

// The view's "Remote…" runs the dialog over the view's window.
void ConnectRemoteDialog(CMorvixView& view, RemoteService& service);
