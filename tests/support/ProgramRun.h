#pragma once

#include <QByteArray>
#include <QProcess>
#include <QSignalSpy>
#include <QString>
#include <QStringList>

// What a program started by a test said and how it ended.
struct ProgramRun {
    int exitCode = -1; // -1: it did not start, or was killed after 15 s
    QByteArray out;
    QByteArray err;
};

// Runs a program beside the panel under test; the test's event loop keeps serving the bus and the
// device meanwhile, which a blocking wait would not.
inline ProgramRun
RunProgram(const QString& program, const QStringList& args,
           const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    ProgramRun run;
    if (!process.waitForStarted(5000))
        return run;
    QSignalSpy finished(&process, &QProcess::finished);
    if (!finished.wait(15000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// morvix-ctl of this build, named by the test's environment.
inline QString CtlPath() {
    return qEnvironmentVariable("MORVIX_CTL");
}
