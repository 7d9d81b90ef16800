#include "app_state.h"

HINSTANCE ProgramInstance = nullptr;
HWND MainWindow = nullptr;
