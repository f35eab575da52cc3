// The skipped question's baseline: a program that starts and ends, doing nothing in between.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    return 0;
}
