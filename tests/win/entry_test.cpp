// The entry function when the progress bar's window class cannot be registered: no
// dialog, no console, exit code 0. The class is taken first under the same instance,
// which is what makes the real registration fail.
#include <windows.h>

#include <gtest/gtest.h>

#include "controls/progress_bar.h"
#include "support/diagnostics.h"
#include "tests/support/temp_folder.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int);

namespace {

TEST(Entry, UnregisterableProgressBarClassEndsWithCodeZero) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA taken = {};
    taken.style = CS_GLOBALCLASS;  // a local class of that name would not be in the way
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = instance;
    taken.lpszClassName = kProgressBarClassName;
    ASSERT_NE(0, RegisterClassA(&taken));

    // Had it gone on, the dialog would be modal here and the call would not return.
    EXPECT_EQ(0, WinMain(instance, nullptr, const_cast<char*>(""), SW_SHOWNORMAL));
    EXPECT_FALSE(traceConsoleOpen);
    EXPECT_EQ(nullptr, GetConsoleWindow());
    // The log was emptied before the class was tried.
    EXPECT_EQ("", ReadTestFile(kLogFilePath));
}

}  // namespace
