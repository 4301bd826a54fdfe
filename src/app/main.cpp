#include "app/CMorvixApp.h"

int main(int argc, char* argv[]) {
    CMorvixApp app(argc, argv);
    if (!app.InitInstance())
        return app.HandedOver() ? 0 : 1;
    return app.exec();
}
