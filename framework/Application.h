// Application object: one per program, constructed as a global. The program's entry point
// calls InitInstance; when it returns FALSE the program ends without a message loop.
#pragma once
#include <windows.h>

namespace fw {

class Window;

class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application* Current();

    virtual BOOL InitInstance() { return TRUE; }
    // Message loop for programs whose InitInstance returns TRUE.
    virtual int Run();
    virtual int ExitInstance() { return 0; }

    HINSTANCE instance = nullptr;
    Window* mainWindow = nullptr;  // borrowed: the object lives in InitInstance
};

// Entry point body: binds the instance and runs the current application.
int RunApplication(HINSTANCE instance);

}  // namespace fw
