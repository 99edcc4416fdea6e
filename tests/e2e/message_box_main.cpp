// e2e_message_box.exe: shows one message box, for proving the end-to-end tests' reading of
// another process's boxes.
//
//   e2e_message_box.exe FLAGS [--owned]
//
// FLAGS is the MessageBox style in hexadecimal (MB_YESNO | MB_ICONWARNING = 34). The box
// carries the installer's closing texts. With --owned its owner is a visible window of
// class TVIS_E2E_BOX_OWNER, otherwise it has none. The exit code is the button pressed
// (0 when the box could not be shown, 2 on a bad command line).
#include <windows.h>

#include <cstdlib>
#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc < 2) return 2;
    char* end = nullptr;
    UINT flags = static_cast<UINT>(std::strtoul(__argv[1], &end, 16));
    if (end == __argv[1] || *end != '\0') return 2;
    HWND owner = nullptr;
    if (__argc > 2 && std::strcmp(__argv[2], "--owned") == 0) {
        WNDCLASSW ownerClass = {};
        ownerClass.lpfnWndProc = DefWindowProcW;
        ownerClass.hInstance = instance;
        ownerClass.lpszClassName = L"TVIS_E2E_BOX_OWNER";
        RegisterClassW(&ownerClass);
        // Never activated (see fake_product_main.cpp).
        owner = CreateWindowExW(WS_EX_NOACTIVATE, ownerClass.lpszClassName, L"owner",
                                WS_OVERLAPPEDWINDOW, 30, 30, 200, 80, nullptr, nullptr, instance,
                                nullptr);
        if (owner == nullptr) return 2;
        ShowWindow(owner, SW_SHOWNOACTIVATE);
    }
    int answer = MessageBoxW(owner, L"Aktualizacja oprogramowania zakończona poprawnie.",
                             L"Instalator qel", flags);
    if (owner != nullptr) DestroyWindow(owner);
    return answer;
}
