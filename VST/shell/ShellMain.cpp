// The standalone host program.
#include "ShellApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CShellApp app;
    return app.Run();
}
