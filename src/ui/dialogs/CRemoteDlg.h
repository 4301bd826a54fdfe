#pragma once

#include "ui/dialogs/RemoteDialogValues.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// "Remote…": on or off, this computer or the local network, the port, and the link with its QR
// code for a phone's camera. Every choice is announced at once, so the link appears while the
// dialog is open; the caller applies it and answers with the new status.
class CRemoteDlg : public QDialog {
    Q_OBJECT

public:
    explicit CRemoteDlg(QWidget* parent = nullptr);

    void SetChoice(const RemoteChoice& choice);
    RemoteChoice Choice() const;
    void SetStatus(const RemoteStatus& status);

    // For tests and screen readers' users alike: what is shown.
    QString LinkText() const;
    QString StateText() const;
    QString ClientsText() const;
    bool ShowsQrCode() const;

    QCheckBox* EnabledBox() const { return m_enabled; }
    QRadioButton* LocalButton() const { return m_local; }
    QRadioButton* LanButton() const { return m_lan; }
    QSpinBox* PortField() const { return m_port; }
    QPushButton* CopyButton() const { return m_copy; }
    QPushButton* NewLinkButton() const { return m_newLink; }

Q_SIGNALS:
    void ChoiceChanged(const RemoteChoice& choice);
    void NewLinkRequested();

private:
    void AnnounceChoice();
    void ShowStatus();

    QCheckBox* m_enabled = nullptr;
    QRadioButton* m_local = nullptr;
    QRadioButton* m_lan = nullptr;
    QSpinBox* m_port = nullptr;
    QLabel* m_state = nullptr;
    QLabel* m_qr = nullptr;
    QLineEdit* m_link = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_newLink = nullptr;
    QLabel* m_clients = nullptr;
    RemoteStatus m_status;
    // SetChoice fills the fields without announcing them back.
    bool m_filling = false;
};
