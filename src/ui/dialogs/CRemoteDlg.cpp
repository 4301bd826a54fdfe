#include "ui/dialogs/CRemoteDlg.h"

#include "ui/dialogs/KoreanFont.h"
#include "ui/dialogs/QrMatrix.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// Big enough for a phone to read from arm's length off a laptop screen.
constexpr int kQrSide = 232;

QPushButton* Button(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    // Enter in the port field applies the port; it must not press a button as well.
    button->setAutoDefault(false);
    return button;
}

} // namespace

CRemoteDlg::CRemoteDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Remote"));
    setAccessibleName(tr("Remote"));
    setFont(KoreanFont(10));

    m_enabled = new QCheckBox(tr("&Remote control from a browser"), this);

    auto* reach = new QGroupBox(tr("Reached from"), this);
    m_local = new QRadioButton(reach);
    m_lan = new QRadioButton(reach);
    auto* group = new QButtonGroup(this);
    group->addButton(m_local);
    group->addButton(m_lan);
    m_local->setChecked(true);
    auto* reachLayout = new QVBoxLayout(reach);
    reachLayout->addWidget(m_local);
    reachLayout->addWidget(m_lan);

    m_port = new QSpinBox(this);
    m_port->setRange(1024, 65535);
    m_port->setValue(RemoteChoice{}.port);
    // One restart of the server when the number is complete, not one a digit typed.
    m_port->setKeyboardTracking(false);
    m_port->setAccessibleName(tr("Port"));
    auto* form = new QFormLayout;
    auto* portLabel = new QLabel(tr("&Port:"), this);
    portLabel->setBuddy(m_port);
    form->addRow(portLabel, m_port);

    m_state = new QLabel(this);
    m_state->setWordWrap(true);
    m_state->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_qr = new QLabel(this);
    m_qr->setFixedSize(kQrSide, kQrSide);
    m_qr->setAlignment(Qt::AlignCenter);
    m_qr->setWordWrap(true);
    m_qr->setAccessibleName(tr("QR code of the link"));

    m_link = new QLineEdit(this);
    m_link->setReadOnly(true);
    m_link->setAccessibleName(tr("Link"));
    m_link->setMinimumWidth(m_link->fontMetrics().horizontalAdvance(
        QStringLiteral("http://192.168.100.200:65535/#0123456789abcdefghijkl")));
    m_copy = Button(tr("&Copy"), this);
    auto* linkRow = new QHBoxLayout;
    auto* linkLabel = new QLabel(tr("&Link:"), this);
    linkLabel->setBuddy(m_link);
    linkRow->addWidget(linkLabel);
    linkRow->addWidget(m_link, 1);
    linkRow->addWidget(m_copy);

    m_newLink = Button(tr("&New link"), this);
    m_newLink->setToolTip(tr("A new token: every page opened with the old link is closed."));
    m_clients = new QLabel(this);
    auto* clientRow = new QHBoxLayout;
    clientRow->addWidget(m_clients, 1);
    clientRow->addWidget(m_newLink);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_enabled);
    layout->addWidget(reach);
    layout->addLayout(form);
    layout->addWidget(m_state);
    layout->addWidget(m_qr, 0, Qt::AlignHCenter);
    layout->addLayout(linkRow);
    layout->addLayout(clientRow);
    layout->addWidget(buttons);

    connect(m_enabled, &QCheckBox::toggled, this, &CRemoteDlg::AnnounceChoice);
    connect(m_lan, &QRadioButton::toggled, this, &CRemoteDlg::AnnounceChoice);
    connect(m_port, &QSpinBox::valueChanged, this, &CRemoteDlg::AnnounceChoice);
    connect(m_newLink, &QPushButton::clicked, this, &CRemoteDlg::NewLinkRequested);
    connect(m_copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_link->text()); });
    ShowStatus();
}

void CRemoteDlg::SetChoice(const RemoteChoice& choice) {
    m_filling = true;
    m_enabled->setChecked(choice.enabled);
    (choice.lan ? m_lan : m_local)->setChecked(true);
    m_port->setValue(choice.port);
    m_filling = false;
}

RemoteChoice CRemoteDlg::Choice() const {
    return {m_enabled->isChecked(), m_lan->isChecked(), m_port->value()};
}

void CRemoteDlg::SetStatus(const RemoteStatus& status) {
    m_status = status;
    ShowStatus();
}

void CRemoteDlg::AnnounceChoice() {
    if (!m_filling)
        Q_EMIT ChoiceChanged(Choice());
}

void CRemoteDlg::ShowStatus() {
    const RemoteStatus& s = m_status;
    m_local->setText(tr("This &computer only (%1)").arg(s.localAddress));
    m_lan->setText(s.lanAddress.isEmpty() ? tr("The local &network (no network address found)")
                                          : tr("The local &network (%1)").arg(s.lanAddress));

    QString state;
    if (!s.problem.isEmpty())
        state = tr("Not on: %1").arg(s.problem);
    else if (!s.running)
        state = tr("Off.");
    else if (s.boundPort != m_port->value())
        state = tr("On, port %1 (%2 was taken).").arg(s.boundPort).arg(m_port->value());
    else
        state = tr("On, port %1.").arg(s.boundPort);
    m_state->setText(state);

    const bool shown = s.running && !s.link.isEmpty();
    m_link->setText(shown ? s.link : QString());
    // The host and port at the start matter more than the token's last letters.
    m_link->setCursorPosition(0);
    m_copy->setEnabled(shown);
    m_newLink->setEnabled(s.running);
    const QrMatrix qr = shown ? EncodeQr(s.link.toUtf8()) : QrMatrix{};
    if (qr.Empty()) {
        m_qr->setPixmap(QPixmap());
        m_qr->setText(shown ? tr("The link is too long for a QR code.")
                            : tr("Turn the remote on to get its link."));
    } else {
        const int scale = std::max(1, kQrSide / (qr.size + 2 * kQrQuietModules));
        m_qr->setPixmap(QPixmap::fromImage(QrImage(qr, scale)));
    }
    m_clients->setText(s.running ? tr("Pages connected: %1").arg(s.clients) : QString());
}

QString CRemoteDlg::LinkText() const {
    return m_link->text();
}
QString CRemoteDlg::StateText() const {
    return m_state->text();
}
QString CRemoteDlg::ClientsText() const {
    return m_clients->text();
}
bool CRemoteDlg::ShowsQrCode() const {
    return !m_qr->pixmap().isNull();
}
