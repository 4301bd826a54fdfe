#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// What the "Control surface" dialog shows and gives back. No port: no surface.
struct SurfaceDialogValues {
    QStringList ports;    // "client name:port name", as the sequencer lists them now
    QStringList profiles; // their ids
    QString port;
    QString profile;
    bool pickUp = true;
    // Why the list may be empty ("cannot open the ALSA sequencer: ..."), shown as it is.
    QString portsProblem;
    // Closed with Learn: the caller applies the choice and then listens for a control.
    bool learn = false;
    bool operator==(const SurfaceDialogValues&) const = default;
};

// "Control surface": which sequencer port the fader box sends from (the list follows the ports
// coming and going while the dialog is open), its profile, pick-up, and Learn.
class CSurfaceDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSurfaceDlg(QWidget* parent = nullptr);

    void SetValues(const SurfaceDialogValues& values);
    SurfaceDialogValues Values() const;
    // A new list of ports; the choice stays, listed or not.
    void SetPorts(const QStringList& ports, const QString& problem = QString());

    QComboBox* PortBox() const { return m_port; }
    QComboBox* ProfileBox() const { return m_profile; }
    QCheckBox* PickUpBox() const { return m_pickUp; }
    QPushButton* LearnButton() const { return m_learn; }
    QLabel* ProblemLabel() const { return m_problem; }

private:
    void SelectPort(const QString& port);
    QString ChosenPort() const;

    QComboBox* m_port = nullptr;
    QComboBox* m_profile = nullptr;
    QCheckBox* m_pickUp = nullptr;
    QPushButton* m_learn = nullptr;
    QLabel* m_problem = nullptr;
    bool m_learnChosen = false;
};
