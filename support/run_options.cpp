// The installer's switches and exit codes; see run_options.h.
#include "support/run_options.h"

#include <cstdio>
#include <cstring>

const ExitCodeRow kExitCodeTable[kExitCodeCount] = {
    {kExitUpgraded, "upgraded: all three files replaced",
     "uaktualniono: wymieniono wszystkie trzy pliki"},
    {kExitCancelled, "cancelled with \"Anuluj\" (passive run); nothing replaced",
     "przerwano przyciskiem \"Anuluj\"; nic nie wymieniono"},
    {kExitFailed,
     "failed, nothing replaced: a damaged installer (reason code in the log), a write that "
     "failed, a missing or damaged new copy",
     "błąd, nic nie wymieniono: uszkodzony instalator, nieudany zapis albo uszkodzona nowa "
     "kopia"},
    {kExitNoProduct, "no installed tVis found", "nie znaleziono zainstalowanego tVis"},
    {kExitRetryLater,
     "could not run now, retry later: another installer runs, or a product program kept "
     "running or holds a file; nothing replaced",
     "nie teraz, ponów później: działa inny instalator albo program tVis"},
};

const SwitchRow kSwitchTable[kSwitchCount] = {
    {"/quiet", "/S", "nothing on the screen; programs of the product are asked to close",
     "bez okien; programy tVis zostaną poproszone o zamknięcie"},
    {"/passive", nullptr, "the dialog shows its progress; nothing asks, nothing waits",
     "okno z postępem, bez pytań"},
    {"/log=PATH", nullptr, "a deployment log in UTF-8, one line per step",
     "dziennik wdrożenia (UTF-8) w pliku PATH"},
    {"/?", "/help", "this list", "ta lista"},
};

namespace {

// Copies the next argument of `cursor` into `argument` (cut to its size) and moves the
// cursor behind it; false when no argument is left.
bool NextArgument(const char*& cursor, char* argument, size_t size) {
    while (*cursor == ' ' || *cursor == '\t') ++cursor;
    if (*cursor == '\0') return false;
    size_t length = 0;
    bool quoted = false;
    for (; *cursor != '\0'; ++cursor) {
        char c = *cursor;
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && (c == ' ' || c == '\t')) break;
        if (length + 1 < size) argument[length] = c;
        ++length;
    }
    argument[length + 1 < size ? length : size - 1] = '\0';
    // An argument cut to fit is marked as such, so that no cut path is taken.
    if (length + 1 > size) argument[0] = '\x01';
    return true;
}

bool SameSwitch(const char* text, const char* name) {
    for (; *name != '\0'; ++text, ++name) {
        char a = *text >= 'A' && *text <= 'Z' ? static_cast<char>(*text - 'A' + 'a') : *text;
        char b = *name >= 'A' && *name <= 'Z' ? static_cast<char>(*name - 'A' + 'a') : *name;
        if (a != b) return false;
    }
    return *text == '\0';
}

bool HasPrefix(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        char a = *text >= 'A' && *text <= 'Z' ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (a != *prefix) return false;
    }
    return true;
}

}  // namespace

RunOptions ParseCommandLine(const char* commandLine) {
    RunOptions options;
    if (commandLine == nullptr) return options;
    const char* cursor = commandLine;
    // Room for the longest switch and a log path that fits, and one byte to see a cut.
    char argument[kDeploymentLogPathSize + 16];
    while (NextArgument(cursor, argument, sizeof argument)) {
        if (argument[0] != '/' && argument[0] != '-') continue;
        const char* name = argument + 1;
        if (SameSwitch(name, "quiet") || SameSwitch(name, "s")) {
            options.mode = RunMode::kQuiet;
        } else if (SameSwitch(name, "passive")) {
            options.mode = RunMode::kPassive;
        } else if (SameSwitch(name, "?") || SameSwitch(name, "help")) {
            options.help = true;
        } else if (HasPrefix(name, "log=")) {
            // A path too long for logPath is ignored like an argument too long to read
            // (cut above), whatever its length: an earlier /log= stands.
            const char* path = name + 4;
            size_t length = std::strlen(path);
            if (length < sizeof options.logPath) std::memcpy(options.logPath, path, length + 1);
        }
    }
    return options;
}

bool Unattended(const RunOptions& options) { return options.mode != RunMode::kInteractive; }

const ExitCodeRow* FindExitCode(uint32_t code) {
    for (const ExitCodeRow& row : kExitCodeTable) {
        if (row.code == code) return &row;
    }
    return nullptr;
}

const char* HelpText(char* text, size_t size) {
    if (size == 0) return text;
    text[0] = '\0';
    size_t used = 0;
    auto append = [&](const char* format, const char* a, const char* b) {
        if (used >= size) return;
        int written = std::snprintf(text + used, size - used, format, a, b);
        if (written > 0) used += static_cast<size_t>(written);
    };
    append("%s%s\r\n", "tvisupgrade.exe [/quiet | /passive] [/log=PATH]", "");
    for (const SwitchRow& row : kSwitchTable) {
        char names[32];
        std::snprintf(names, sizeof names, "%s%s%s", row.name, row.alias ? ", " : "",
                      row.alias ? row.alias : "");
        append("  %s\t%s\r\n", names, row.polish);
    }
    append("\r\n%s%s\r\n", "Kody wyjścia (/quiet, /passive):", "");
    for (const ExitCodeRow& row : kExitCodeTable) {
        char code[16];
        std::snprintf(code, sizeof code, "%u", static_cast<unsigned>(row.code));
        append("  %s\t%s\r\n", code, row.polish);
    }
    return text;
}
