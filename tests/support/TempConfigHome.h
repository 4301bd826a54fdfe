#pragma once

#include <QString>
#include <QTemporaryDir>

// Points XDG_CONFIG_HOME at a fresh temporary folder for the life of the object,
// so no test ever touches the user's own settings.
class TempConfigHome {
public:
    TempConfigHome();
    ~TempConfigHome();
    QString path() const { return m_dir.path(); }
    QString settingsFolder() const { return m_dir.path() + QStringLiteral("/QV/Morvix"); }
    QString settingsFile() const { return settingsFolder() + QStringLiteral("/set.ini"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
};
