#include "DevSim.h"
#include "DevSimCommandLine.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char** argv) {
    // A shell starts background jobs with SIGINT ignored, and an ignored signal never reaches
    // sigwait; an explicit kill -INT must still stop the device. SIGHUP keeps what nohup chose.
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    // Blocked before any thread exists, so every thread inherits the mask and sigwait gets them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("morvix-devsim"));
    DevSimCommandLine commandLine = parseDevSimCommandLine(QCoreApplication::arguments());
    if (commandLine.help) {
        std::fputs(qPrintable(commandLine.helpText), stdout);
        return 0;
    }
    if (!commandLine.error.isEmpty()) {
        std::fprintf(stderr, "morvix-devsim: %s\nTry morvix-devsim --help\n",
                     qPrintable(commandLine.error));
        return 2;
    }

    DevSimOptions options = commandLine.options;
    options.keepFrames = false; // the log keeps the history; memory stays flat over long runs
    options.onPortReady = [](const QString& path) {
        std::printf("%s\n", qPrintable(path));
        std::fflush(stdout);
    };
    DevSim sim(options);
    if (!sim.start()) {
        std::fprintf(stderr, "morvix-devsim: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    int signal = 0;
    sigwait(&stopSignals, &signal);
    sim.stop();
    return 0;
}
