#include "ui/dialogs/CSurfaceDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CSurfaceDlg::CSurfaceDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Control surface"));
    setAccessibleName(tr("Control surface"));

    // Editable: a controller that is not plugged in now can still be named.
    m_port = new QComboBox(this);
    m_port->setEditable(true);
    m_port->setMinimumContentsLength(32);
    m_port->setAccessibleName(tr("MIDI port"));
    m_profile = new QComboBox(this);
    m_profile->setAccessibleName(tr("Profile"));
    m_pickUp =
        new QCheckBox(tr("&Pick-up: a fader takes its channel once it reaches its level"), this);
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    m_problem->hide();

    auto* form = new QFormLayout;
    auto* portLabel = new QLabel(tr("&Port:"), this);
    portLabel->setBuddy(m_port);
    form->addRow(portLabel, m_port);
    auto* profileLabel = new QLabel(tr("P&rofile:"), this);
    profileLabel->setBuddy(m_profile);
    form->addRow(profileLabel, m_profile);
    form->addRow(QString(), m_pickUp);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_learn = buttons->addButton(tr("&Learn"), QDialogButtonBox::ActionRole);
    m_learn->setToolTip(tr("Then move a control on the surface and click a slider or a switch "
                           "on the panel"));
    connect(m_learn, &QPushButton::clicked, this, [this] {
        m_learnChosen = true;
        accept();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
}

void CSurfaceDlg::SetValues(const SurfaceDialogValues& values) {
    m_learnChosen = false;
    m_profile->clear();
    m_profile->addItems(values.profiles);
    m_profile->setCurrentIndex(std::max(0, int(values.profiles.indexOf(values.profile))));
    m_pickUp->setChecked(values.pickUp);
    SetPorts(values.ports, values.portsProblem);
    SelectPort(values.port);
}

SurfaceDialogValues CSurfaceDlg::Values() const {
    SurfaceDialogValues values;
    for (int i = 1; i < m_port->count(); ++i)
        values.ports << m_port->itemText(i);
    for (int i = 0; i < m_profile->count(); ++i)
        values.profiles << m_profile->itemText(i);
    values.port = ChosenPort();
    values.profile = m_profile->currentText();
    values.pickUp = m_pickUp->isChecked();
    values.portsProblem = m_problem->text();
    values.learn = m_learnChosen;
    return values;
}

void CSurfaceDlg::SetPorts(const QStringList& ports, const QString& problem) {
    const QString chosen = ChosenPort();
    m_port->clear();
    // The first entry is "none": no surface.
    m_port->addItem(tr("(none)"));
    m_port->addItems(ports);
    SelectPort(chosen);
    m_problem->setText(problem);
    m_problem->setVisible(!problem.isEmpty());
}

void CSurfaceDlg::SelectPort(const QString& port) {
    if (port.isEmpty()) {
        m_port->setCurrentIndex(0);
        return;
    }
    const int at = m_port->findText(port);
    if (at >= 0)
        m_port->setCurrentIndex(at);
    else
        m_port->setEditText(port);
}

QString CSurfaceDlg::ChosenPort() const {
    if (m_port->count() == 0)
        return {};
    const QString text = m_port->currentText().trimmed();
    return text == m_port->itemText(0) ? QString() : text;
}
