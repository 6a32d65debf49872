#include <windows.h>

#include "app/login_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return theApp.Run(instance); }
