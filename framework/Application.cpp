#include "Application.h"

namespace fw {

namespace {
Application* currentApplication = nullptr;
}  // namespace

Application::Application() {
    currentApplication = this;
}

Application::~Application() {
    if (currentApplication == this)
        currentApplication = nullptr;
}

Application* Application::Current() {
    return currentApplication;
}

int Application::Run() {
    MSG message;
    BOOL got;
    while ((got = ::GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1)
            break;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return ExitInstance();
}

int RunApplication(HINSTANCE instance) {
    Application* application = Application::Current();
    if (!application)
        return 1;
    application->instance = instance;
    if (!application->InitInstance())
        return application->ExitInstance();
    return application->Run();
}

}  // namespace fw
