// A program that imports comctl32.dll as the installer once did (for InitCommonControls).
// It shows that the loader takes a planted comctl32.dll from the program's folder for
// such an import, before any of the program's code runs, and that the import check
// rejects it. Exits 0.
#include <windows.h>
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InitCommonControls();
    return 0;
}
