#include "app/CMorvixApp.h"

int main(int argc, char* argv[]) {
    CMorvixApp app(argc, argv);
    if (!app.InitInstance())
        return app.HandOverExitCode() >= 0 ? app.HandOverExitCode() : 1;
    return app.exec();
}
