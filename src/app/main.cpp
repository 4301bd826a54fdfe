#include "app/CMorvixApp.h"

#include <QByteArray>
#include <QtGlobal>

int main(int argc, char* argv[]) {
    // Qt's X11 backing store, when it shares memory with the X server, waits for a round trip to
    // the server before it paints over anything it has shown since the last one: for the clock,
    // every second, a sleep of this thread and a wake-up of Qt's X thread. The window is small
    // and repaints only what changed, so its pixels go over the connection instead. Asked of
    // the platform only while it starts; an operator's own choice stays, and nothing the program
    // starts inherits it.
    const QByteArray noSharedMemory("QT_XCB_NO_MITSHM");
    const bool chosen = qEnvironmentVariableIsSet(noSharedMemory.constData());
    if (!chosen)
        qputenv(noSharedMemory.constData(), "1");
    CMorvixApp app(argc, argv);
    if (!chosen)
        qunsetenv(noSharedMemory.constData());
    if (!app.InitInstance())
        return app.HandOverExitCode() >= 0 ? app.HandOverExitCode() : 1;
    return app.exec();
}
