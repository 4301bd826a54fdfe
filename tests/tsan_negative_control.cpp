#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <thread>

// A deliberate race, built only under ThreadSanitizer: a thread writes a plain flag that a handler
// run by Qt's event loop later reads, with nothing ordering the two. ThreadSanitizer must report
// it with the project's suppressions in force; if it does not, they hide our own races too.

namespace {
bool g_flag = false;
}

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::thread writer([] {
        g_flag = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    bool seen = false;
    QTimer::singleShot(100, &app, [&seen] {
        seen = g_flag;
        QCoreApplication::quit();
    });
    app.exec();
    writer.join();
    return seen ? 0 : 1;
}
