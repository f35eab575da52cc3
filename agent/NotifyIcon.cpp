#include "NotifyIcon.h"

BOOL NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
    return Shell_NotifyIconW(message, data);
}
