// demo_driver.exe: runs the demo's installer against the installed demo product and tells
// what happened, for scripts/demo.sh.
//
//   demo_driver.exe drive INSTALLER PRODUCT_FOLDER SCREENSHOT_FOLDER
//       starts the installer as a double-click does and drives the whole upgrade as a
//       customer would: waits for the dialog to be ready, presses "&UAKTUALNIJ", answers
//       "Tak" to the question about the running tVisLV.exe, follows the close request and
//       the countdown, confirms the success box. Saves demo-ready.png, demo-desktop.png
//       (the whole desktop then), demo-question.png, demo-countdown.png and
//       demo-success.png into SCREENSHOT_FOLDER, and the installer's trace console as
//       it reads at the success box into trace.txt there (code page of the system).
//   demo_driver.exe watch INSTALLER PRODUCT_FOLDER
//       starts the installer and waits, without a time limit, for the person at the
//       screen to drive it.
//   demo_driver.exe box INSTALLER SCREENSHOT_FOLDER NAME
//       starts the installer, waits for its first message box and saves NAME.png (the
//       box over the installer's dialog), confirms the box and, when the dialog stays
//       with only "Anuluj" working, presses it. Prints the box's caption and text; ends
//       with 0 when a box came and the installer ended.
//
// drive and watch print the installed build before and after, the build the installer
// carries and the installer's exit code, and end with 0 only when the installed product
// was upgraded to the carried build and the installer ended as after a successful upgrade
// (exit code 1).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <set>
#include <string>

#include "demo/driver/product_record.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "tests/e2e/bar_reader.h"
#include "tests/e2e/e2e_driver.h"
#include "tests/e2e/message_boxes.h"
#include "tests/e2e/product_windows.h"
#include "tests/e2e/screen_capture.h"
#include "tests/support/window_driver.h"

namespace {

// Each stage may take long on a loaded machine; none takes more than a few seconds
// otherwise.
constexpr DWORD kStageWaitMs = 90000;
const std::wstring kReadyText = L"Uaktualnienie gotowe, wciśnij 'UAKTUALNIJ'.";
constexpr int kInstallerSuccessExitCode = 1;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

bool Fail(const std::string& what) {
    Say("demo: " + what);
    return false;
}

// The smallest rectangle holding both windows: a message box together with the dialog
// under it, as the customer sees them.
RECT Around(HWND first, HWND second) {
    RECT a = {}, b = {}, both = {};
    GetWindowRect(first, &a);
    GetWindowRect(second, &b);
    UnionRect(&both, &a, &b);
    return both;
}

class Demo {
public:
    Demo(std::string installer, std::string productFolder, std::string shots)
        : installer_(std::move(installer)),
          product_(std::move(productFolder)),
          shots_(std::move(shots)) {
        if (!product_.empty() && product_.back() != '\\' && product_.back() != '/') {
            product_ += '\\';
        }
    }

    // What is installed, and the product's LogView running, before the installer starts.
    bool Before(bool logViewRequired) {
        if (!ReadProductRecord(product_ + "qelMapE.dll", &before_)) {
            return Fail("no version record in " + product_ + "qelMapE.dll");
        }
        Say("installed before: " + DescribeRecord(before_));
        DWORD start = GetTickCount();
        while (FindWindowW(kLogViewClass, nullptr) == nullptr) {
            if (GetTickCount() - start > (logViewRequired ? kStageWaitMs : 10000)) {
                return logViewRequired ? Fail("tVisLV.exe shows no window") : true;
            }
            Sleep(50);
        }
        Say("running: tVisLV.exe (window class qel_LV_Frame)");
        return true;
    }

    bool Start() {
        installer_process_.emplace(installer_);
        if (!installer_process_->started()) return Fail("cannot start " + installer_);
        Say("started: " + installer_);
        return true;
    }

    // The customer's whole upgrade, stage by stage, with a picture of each.
    bool Drive() {
        HWND dialog = WaitForDialog(installer_process_->id(), nullptr, kStageLineId, kStageWaitMs);
        if (dialog == nullptr) return Fail("the UPGRADE dialog did not appear");
        if (!WaitForControlText(dialog, kStageLineId, kReadyText, kStageWaitMs)) {
            return Fail("the dialog did not get ready; its stage line says \"" +
                        Utf8(StoredText(GetDlgItem(dialog, kStageLineId))) + "\"");
        }
        auto control = [dialog](int id) { return Utf8(StoredText(GetDlgItem(dialog, id))); };
        Say("ready: \"" + Utf8(StoredText(dialog)) + "\", installed " + control(300) + ", build " +
            control(303) + ", " + control(302) + "; upgrade build " + control(403) + ", " +
            control(402));
        BringToFront(dialog);
        Shot(dialog, "demo-ready");
        RECT desktop = {};
        GetWindowRect(GetDesktopWindow(), &desktop);
        Shot(desktop, "demo-desktop");
        BarReader bar(GetDlgItem(dialog, kProgressBarId));

        Press(dialog, IDOK);
        Say("pressed: &UAKTUALNIJ");
        std::optional<MessageBoxView> question = NextBox(L"Uaktualnienie");
        if (!question) return Fail("no question about the running tVisLV.exe");
        Say("question: " + OneLine(question->text));
        Shot(Around(dialog, question->window), "demo-question");
        const std::wstring yes = ButtonText(*question, IDYES);
        Answer(*question, IDYES);
        Say("answered: " + Utf8(yes));

        DWORD start = GetTickCount();
        while (FindWindowW(kLogViewClass, nullptr) != nullptr) {
            if (GetTickCount() - start > kStageWaitMs) return Fail("tVisLV.exe did not close");
            Sleep(20);
        }
        Say("closed: tVisLV.exe, on the installer's request");

        // The countdown after the programs are gone runs 81..100, one step a tick.
        start = GetTickCount();
        int position = bar.Read();
        while (position < 88 || position > 96) {
            if (GetTickCount() - start > kStageWaitMs) {
                return Fail("the countdown was not seen; the bar shows " +
                            std::to_string(position));
            }
            Sleep(5);
            position = bar.Read();
        }
        Say("countdown: the bar at " + std::to_string(position) + "%");
        Shot(dialog, "demo-countdown");

        std::optional<MessageBoxView> outcome = NextBox(L"Instalator qel");
        if (!outcome) return Fail("no box at the end of the upgrade");
        Say("outcome: " + OneLine(outcome->text));
        Shot(Around(dialog, outcome->window), "demo-success");
        SaveTrace();
        Answer(*outcome, IDOK);
        return true;
    }

    // A box the customer meets instead of the upgrade: the installer's first message box,
    // pictured over its dialog, confirmed; then the dialog's "Anuluj" if it stays.
    bool FirstBox(const char* name) {
        std::optional<MessageBoxView> box =
            WaitForMessageBox(installer_process_->id(), boxesSeen_, kStageWaitMs);
        if (!box) return Fail("no message box came");
        Say("box: [" + Utf8(box->caption) + "] " + OneLine(box->text));
        HWND dialog = WaitForDialog(installer_process_->id(), nullptr, kStageLineId, 0);
        Sleep(300);  // the box's first paint
        if (dialog != nullptr) {
            Shot(Around(dialog, box->window), name);
        } else {
            Shot(box->window, name);
        }
        Answer(*box, IDOK);
        DWORD code = installer_process_->WaitForExit(5000);
        if (code == STILL_ACTIVE && dialog != nullptr) {
            Say("dialog: \"" + Utf8(StoredText(GetDlgItem(dialog, kStageLineId))) +
                "\", pressed: Anuluj");
            Press(dialog, IDCANCEL);
            code = installer_process_->WaitForExit(kStageWaitMs);
        }
        if (code == STILL_ACTIVE) return Fail("the installer did not end after its box");
        Say("installer exit code: " + std::to_string(code));
        return true;
    }

    // The report's end: exit code, the installed build after the run against the one the
    // installer carried. True when the upgrade happened.
    bool After(bool driven, DWORD waitMs) {
        DWORD code = installer_process_ ? installer_process_->WaitForExit(waitMs) : STILL_ACTIVE;
        if (code == STILL_ACTIVE) {
            Say("installer exit code: none, it was still running and has been ended");
            installer_process_.reset();
        } else {
            Say("installer exit code: " + std::to_string(code));
        }
        VersionRecord after = {}, carried = {};
        bool readAfter = ReadProductRecord(product_ + "qelMapE.dll", &after);
        Say("installed after: " + (readAfter ? DescribeRecord(after) : "no version record"));
        const char* workFolder = GetWorkFolder(nullptr);
        bool readCarried = workFolder != nullptr &&
                           ReadProductRecord(std::string(workFolder) + "qelmape.dllu", &carried);
        if (readCarried) Say("carried by the installer: " + DescribeRecord(carried));
        bool upgraded = driven && readAfter && readCarried && SameBuild(after, carried) &&
                        !SameBuild(before_, carried) && code == kInstallerSuccessExitCode;
        Say(upgraded ? "result: upgraded" : "result: NOT upgraded");
        return upgraded;
    }

private:
    std::optional<MessageBoxView> NextBox(const wchar_t* caption) {
        DWORD start = GetTickCount();
        do {
            std::optional<MessageBoxView> box =
                WaitForMessageBox(installer_process_->id(), boxesSeen_, 50);
            if (box) {
                boxesSeen_.insert(box->window);
                if (box->caption == caption) return box;
                Say("unexpected box \"" + Utf8(box->caption) + "\": " + OneLine(box->text));
            }
        } while (GetTickCount() - start < kStageWaitMs);
        return std::nullopt;
    }

    // The text of a box's button, as the customer reads it (the system's language).
    static std::wstring ButtonText(const MessageBoxView& box, int command) {
        std::wstring text = StoredText(GetDlgItem(box.window, command));
        text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
        return text;
    }

    static std::string OneLine(const std::wstring& text) {
        std::string line = Utf8(text);
        for (size_t at = line.find("\r\n"); at != std::string::npos; at = line.find("\r\n")) {
            line.replace(at, 2, " ");
        }
        return line;
    }

    // The window in front with its caption in the active colour, as the customer sees the
    // window just clicked. Under Wine's virtual desktop without a window manager, the
    // dialog's caption stays drawn inactive even once GetForegroundWindow names it; the
    // activation message draws it as the active window it is.
    static void BringToFront(HWND window) {
        const DWORD own = GetCurrentThreadId();
        const DWORD theirs = GetWindowThreadProcessId(window, nullptr);
        const bool joined = AttachThreadInput(own, theirs, TRUE) != FALSE;
        SetForegroundWindow(window);
        if (joined) AttachThreadInput(own, theirs, FALSE);
        DWORD start = GetTickCount();
        while (GetForegroundWindow() != window && GetTickCount() - start < 5000) Sleep(20);
        if (GetForegroundWindow() != window) {
            Say("note: the dialog could not be brought to the front");
            return;
        }
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, WM_NCACTIVATE, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &result);
        Sleep(300);  // the caption's repaint
    }

    // The installer's trace console as it reads now, into trace.txt beside the pictures.
    void SaveTrace() {
        const std::string trace = ReadConsoleOf(installer_process_->id(), shots_ + "\\trace.txt");
        Say(trace == "<unread>" ? std::string("trace console not read")
                                : std::string("trace console: trace.txt"));
    }

    void Shot(HWND window, const char* name) {
        RECT frame = {};
        GetWindowRect(window, &frame);
        Shot(frame, name);
    }

    void Shot(const RECT& rect, const char* name) {
        std::string path = shots_ + "\\" + name + ".png";
        testing::AssertionResult saved = SaveScreenPng(rect, path);
        Say(saved ? std::string("screenshot: ") + name + ".png"
                  : std::string("screenshot ") + name + ".png not saved: " + saved.message());
    }

    std::string installer_;
    std::string product_;
    std::string shots_;
    VersionRecord before_ = {};
    std::optional<StartedProcess> installer_process_;
    std::set<HWND> boxesSeen_;
};

int Usage() {
    std::fprintf(stderr,
                 "usage: demo_driver.exe drive INSTALLER PRODUCT_FOLDER SCREENSHOT_FOLDER\n"
                 "       demo_driver.exe watch INSTALLER PRODUCT_FOLDER\n"
                 "       demo_driver.exe box INSTALLER SCREENSHOT_FOLDER NAME\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return Usage();
    if (std::strcmp(argv[1], "box") == 0) {
        if (argc != 5) return Usage();
        Demo demo(argv[2], "", argv[3]);
        return demo.Start() && demo.FirstBox(argv[4]) ? 0 : 1;
    }
    const bool drive = std::strcmp(argv[1], "drive") == 0;
    if (drive ? argc != 5 : std::strcmp(argv[1], "watch") != 0 || argc != 4) return Usage();

    Demo demo(argv[2], argv[3], drive ? argv[4] : "");
    if (!demo.Before(drive) || !demo.Start()) return 1;
    if (!drive) Say("drive the installer in the Wine desktop; waiting for it to end");
    bool driven = drive ? demo.Drive() : true;
    return demo.After(driven, drive ? kStageWaitMs : INFINITE) ? 0 : 1;
}
