// Clicks controls of a dialog of another process, as a user would, for scripts that show or
// photograph the program's dialogs:   dlgclick "<caption>" ID...
// Waits for the dialog; exit code 1 when it does not come.
#include <windows.h>

#include <cstdlib>

#include "../support/gui_driver.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    HWND dialog = gui::WaitForWindow(argv[1]);
    if (dialog == nullptr) return 1;
    for (int i = 2; i < argc; i++) gui::ClickAndWait(dialog, std::atoi(argv[i]));
    return 0;
}
