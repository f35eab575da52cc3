// Dormopen.exe: what the Start-menu shortcut starts. It needs no administrator rights, so a
// click on the shortcut shows no prompt while the agent runs: it lets the running agent come to
// the front and asks it to show its settings window. When no agent runs it starts one, with the
// prompt Windows requires for the agent.
#include "common/AgentIdentity.h"
#include "common/ModulePath.h"

#include <shellapi.h>

namespace {

DWORD const kAnswerTimeoutMs = 5000;
wchar_t const kAgentFile[] = L"Dormkey.exe";

// False when no agent runs in this session.
bool ShowRunningAgent() {
    HWND agent = FindAgentWindow();
    if (!agent)
        return false;
    // The user just started this program, so it may hand the foreground on; the agent could not
    // take it by itself.
    DWORD agentProcess = 0;
    GetWindowThreadProcessId(agent, &agentProcess);
    AllowSetForegroundWindow(agentProcess);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(agent, WM_APP_SHOW_SETTINGS, 0, kMessageMarker, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &answer);
    return true;
}

// Through the shell, which asks for the elevation the agent's manifest requires.
bool StartAgent() {
    wchar_t agent[MAX_PATH];
    if (!BuildModuleSiblingPath(kAgentFile, agent))
        return false;
    SHELLEXECUTEINFOW start = {};
    start.cbSize = sizeof(start);
    start.fMask = SEE_MASK_NOASYNC;
    start.lpVerb = L"open";
    start.lpFile = agent;
    start.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&start) != FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    if (ShowRunningAgent())
        return 0;
    return StartAgent() ? 0 : 1;
}
