// The converter's dialog front end.
#include "SF2KSSApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    CSF2KSSApp app;
    return app.Run();
}
