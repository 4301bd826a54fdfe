#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>

// This test program, ready to run as another user (nobody) from tests that run as root. The
// checkout may lie in a folder only root can enter (a clone in a `mktemp -d` folder), and so may
// the sanitizer suppression files that TSAN_OPTIONS and its kind name: the program and those files
// are copied to a folder anyone may enter, and the child's options point at the copies.
class OtherUserCopy {
public:
    bool Prepare() {
        const auto readAndRun = QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                QFileDevice::ReadOther | QFileDevice::ExeOther;
        if (!m_dir.isValid() ||
            !QFile::setPermissions(m_dir.path(), readAndRun | QFileDevice::WriteOwner) ||
            !QFile::copy(QCoreApplication::applicationFilePath(), program()) ||
            !QFile::setPermissions(program(), readAndRun))
            return false;
        m_environment = QProcessEnvironment::systemEnvironment();
        static const QRegularExpression file(QStringLiteral("(suppressions=)([^ :]+)"));
        int copies = 0;
        for (const char* name : {"TSAN_OPTIONS", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
            QString options = m_environment.value(QLatin1String(name));
            const QRegularExpressionMatch m = file.match(options);
            if (!m.hasMatch())
                continue;
            const QString copy = m_dir.path() + QStringLiteral("/suppressions-%1").arg(++copies);
            if (!QFile::copy(m.captured(2), copy) ||
                !QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::ReadOther))
                return false;
            options.replace(m.capturedStart(2), m.capturedLength(2), copy);
            m_environment.insert(QLatin1String(name), options);
        }
        return true;
    }
    QString program() const { return m_dir.path() + QStringLiteral("/test-as-other-user"); }
    QProcessEnvironment environment() const { return m_environment; }

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment;
};
