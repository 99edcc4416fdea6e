// tvispack's shared command-line pieces; see command_line.h.
#include "tools/command_line.h"

#include <cstdarg>
#include <cstdio>

#include "tools/host.h"

void Out(const std::string& text) { HostWriteText(stdout, text); }

void Error(const std::string& message) { HostWriteText(stderr, "tvispack: " + message + "\n"); }

void Warning(const std::string& message) {
    HostWriteText(stderr, "tvispack: warning: " + message + "\n");
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        text.assign(buffer.data(), static_cast<size_t>(needed));
    }
    va_end(again);
    return text;
}

int UsageError(const std::string& command, const std::string& message) {
    if (command.empty()) {
        Error(message + "; see tvispack help");
    } else {
        Error(command + ": " + message + "; see tvispack help " + command);
    }
    return 2;
}

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h" || arg == "help"; }

bool SplitArguments(const std::vector<std::string>& args, const std::vector<std::string>& flags,
                    std::vector<bool>* flagsSeen, std::vector<std::string>* paths,
                    std::string* wrong) {
    flagsSeen->assign(flags.size(), false);
    bool optionsEnded = false;
    for (const std::string& arg : args) {
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            paths->push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        size_t k = 0;
        while (k < flags.size() && flags[k] != arg) ++k;
        if (k == flags.size()) {
            *wrong =
                "unknown option '" + arg + "' (a file whose name starts with '-' goes after --)";
            return false;
        }
        if ((*flagsSeen)[k]) {
            *wrong = arg + " is given twice";
            return false;
        }
        (*flagsSeen)[k] = true;
    }
    return true;
}
