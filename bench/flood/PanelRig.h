#pragma once

#include "LineLog.h"

#include <QProcess>
#include <QTemporaryDir>

// The real programs side by side: a session bus of our own, morvix-devsim on a pseudo-terminal
// with its log, and the panel on the X display, all under a settings folder of our own.
class PanelRig {
public:
    explicit PanelRig(QString buildDir);
    ~PanelRig();
    PanelRig(const PanelRig&) = delete;
    PanelRig& operator=(const PanelRig&) = delete;

    // Returns once the panel owns its bus name and the synchronisation reached the device.
    bool start(QString& error);
    LineLog& log() { return m_log; }
    qint64 panelPid() const { return m_panel.processId(); }
    QString program(const QString& name) const { return m_buildDir + QLatin1Char('/') + name; }

    // Children die with the bench, even when it is killed.
    static void startChild(QProcess& process, const QString& program, const QStringList& args);
    static void stopChild(QProcess& process);

private:
    QString m_buildDir;
    QTemporaryDir m_home;
    QProcess m_bus, m_sim, m_panel;
    LineLog m_log;
};

// The CPU time the process spent so far, user and system, in seconds.
double CpuSeconds(qint64 pid);
