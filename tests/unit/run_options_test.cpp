// The installer's command line: how ParseCommandLine reads switches, the help text, the
// exit code table, and that the README's tables of switches and exit codes say what the
// tables in support/run_options.cpp say.
#include "support/run_options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace {

const char* ModeName(RunMode mode) {
    switch (mode) {
        case RunMode::kInteractive:
            return "interactive";
        case RunMode::kPassive:
            return "passive";
        case RunMode::kQuiet:
            return "quiet";
    }
    return "?";
}

TEST(RunOptions, ParseCommandLine) {
    // The longest path logPath holds, and one character more.
    const std::string longest(kDeploymentLogPathSize - 1, 'p');
    const std::string tooLong(kDeploymentLogPathSize, 'q');
    // Too long even for the argument buffer, which is cut before it is looked at.
    const std::string farTooLong(3 * kDeploymentLogPathSize, 'r');
    struct Case {
        const char* name;
        const char* line;  // null: no command line at all
        std::string text;  // used when line is empty
        RunMode mode;
        bool help;
        std::string log;
    };
    const Case cases[] = {
        {"null", nullptr, "", RunMode::kInteractive, false, ""},
        {"empty", "", "", RunMode::kInteractive, false, ""},
        {"blanks only", " \t  ", "", RunMode::kInteractive, false, ""},
        {"quiet", "/quiet", "", RunMode::kQuiet, false, ""},
        {"upper case", "/QUIET", "", RunMode::kQuiet, false, ""},
        {"dash, mixed case", "-QuIeT", "", RunMode::kQuiet, false, ""},
        {"S alias", "/S", "", RunMode::kQuiet, false, ""},
        {"s alias, lower case", "-s", "", RunMode::kQuiet, false, ""},
        {"passive", "/passive", "", RunMode::kPassive, false, ""},
        {"passive, dash", "-PASSIVE", "", RunMode::kPassive, false, ""},
        {"last mode wins: passive", "/quiet /S /passive", "", RunMode::kPassive, false, ""},
        {"last mode wins: quiet", "/passive\t-s", "", RunMode::kQuiet, false, ""},
        {"help", "/?", "", RunMode::kInteractive, true, ""},
        {"help word", "-Help", "", RunMode::kInteractive, true, ""},
        {"help beside a mode", "/quiet /HELP", "", RunMode::kQuiet, true, ""},
        {"log", "/log=C:\\Temp\\tvis.log", "", RunMode::kInteractive, false, "C:\\Temp\\tvis.log"},
        {"log, upper case, dash", "-LOG=C:\\t.log /quiet", "", RunMode::kQuiet, false, "C:\\t.log"},
        {"log path quoted, with blanks", "/quiet /log=\"C:\\Program Files\\tVis log\\a b.log\"", "",
         RunMode::kQuiet, false, "C:\\Program Files\\tVis log\\a b.log"},
        {"whole switch quoted", "\"/log=C:\\Documents and Settings\\x.log\" /passive", "",
         RunMode::kPassive, false, "C:\\Documents and Settings\\x.log"},
        {"log with nothing after =", "/log=", "", RunMode::kInteractive, false, ""},
        {"last log wins", "/log=a.log /log=b.log", "", RunMode::kInteractive, false, "b.log"},
        {"longest log path", "", "/log=" + longest, RunMode::kInteractive, false, longest},
        {"log path one too long", "", "/quiet /log=" + tooLong, RunMode::kQuiet, false, ""},
        {"log path far too long", "", "/log=" + farTooLong + " /passive", RunMode::kPassive, false,
         ""},
        {"too long after a good one", "", "/log=a.log /log=" + tooLong, RunMode::kInteractive,
         false, "a.log"},
        {"far too long after a good one", "", "/log=a.log /log=\"" + farTooLong + "\"",
         RunMode::kInteractive, false, "a.log"},
        {"unknown arguments", "quiet /quieter /log C:\\a.log -x /passive=1 /S- extra", "",
         RunMode::kInteractive, false, ""},
        {"unknown among known", "foo /passive bar \"/ x\"", "", RunMode::kPassive, false, ""},
    };
    for (const Case& c : cases) {
        const char* line = c.line;
        if (line != nullptr && line[0] == '\0') line = c.text.c_str();
        const RunOptions options = ParseCommandLine(line);
        EXPECT_STREQ(ModeName(c.mode), ModeName(options.mode)) << c.name;
        EXPECT_EQ(c.help, options.help) << c.name;
        EXPECT_EQ(c.log, options.logPath) << c.name;
        EXPECT_EQ(c.mode != RunMode::kInteractive, Unattended(options)) << c.name;
    }
}

TEST(RunOptions, ExitCodeTableHasEachCodeOnceAndNotTheInteractiveOne) {
    std::set<uint32_t> codes;
    for (const ExitCodeRow& row : kExitCodeTable) {
        EXPECT_TRUE(codes.insert(row.code).second) << row.code;
        EXPECT_EQ(&row, FindExitCode(row.code));
        ASSERT_NE(nullptr, row.meaning);
        ASSERT_NE(nullptr, row.polish);
        EXPECT_NE('\0', row.meaning[0]) << row.code;
        EXPECT_NE('\0', row.polish[0]) << row.code;
        // The README's table would break on a "|".
        EXPECT_EQ(nullptr, std::strchr(row.meaning, '|')) << row.code;
    }
    for (uint32_t code :
         {kExitUpgraded, kExitCancelled, kExitFailed, kExitNoProduct, kExitRetryLater}) {
        EXPECT_EQ(1u, codes.count(code)) << code;
    }
    EXPECT_EQ(nullptr, FindExitCode(kInteractiveExitCode));
    EXPECT_EQ(nullptr, FindExitCode(1604));
}

TEST(RunOptions, HelpTextNamesEverySwitchAndCode) {
    char text[4096];
    HelpText(text, sizeof text);
    const std::string help = text;
    ASSERT_LT(help.size() + 1, sizeof text) << "the help text fills its buffer";
    for (const SwitchRow& row : kSwitchTable) {
        EXPECT_NE(std::string::npos, help.find(row.name)) << row.name;
        if (row.alias) {
            EXPECT_NE(std::string::npos, help.find(row.alias)) << row.alias;
        }
        EXPECT_NE(std::string::npos, help.find(row.polish)) << row.polish;
    }
    for (const ExitCodeRow& row : kExitCodeTable) {
        const std::string line = "  " + std::to_string(row.code) + "\t" + row.polish;
        EXPECT_NE(std::string::npos, help.find(line)) << line;
    }
}

TEST(RunOptions, HelpTextStaysInsideASmallBuffer) {
    for (size_t size : {1, 2, 10, 47, 48, 49, 100}) {
        char text[128];
        std::memset(text, '#', sizeof text);
        HelpText(text, size);
        EXPECT_LT(std::strlen(text), size) << size;
        for (size_t i = size; i < sizeof text; ++i) ASSERT_EQ('#', text[i]) << size << " " << i;
    }
    char untouched = '#';
    HelpText(&untouched, 0);
    EXPECT_EQ('#', untouched);
}

#ifdef TVIS_SOURCE_DIR
// The README's section "Unattended installation": its switch rows ("| `/quiet`, `/S` |
// meaning |") by the names of the first cell, and its exit code rows ("| 1603 | meaning |")
// by code.
struct ReadmeTables {
    std::map<std::string, std::string> switches;
    std::map<uint32_t, std::string> codes;
};

ReadmeTables ReadReadmeTables() {
    std::ifstream readme(std::string(TVIS_SOURCE_DIR) + "/README.md");
    ReadmeTables tables;
    std::string line;
    bool inSection = false;
    while (std::getline(readme, line)) {
        if (line.compare(0, 3, "## ") == 0) inSection = line == "## Unattended installation";
        if (!inSection || line.compare(0, 2, "| ") != 0) continue;
        const size_t split = line.find(" | ", 2);
        if (split == std::string::npos || line.size() < split + 5) continue;
        const std::string first = line.substr(2, split - 2);
        std::string meaning = line.substr(split + 3);
        if (meaning.size() < 2 || meaning.compare(meaning.size() - 2, 2, " |") != 0) {
            ADD_FAILURE() << "row does not end in \" |\": " << line;
            continue;
        }
        meaning.resize(meaning.size() - 2);
        if (first[0] == '`') {
            std::string names;
            for (char c : first) {
                if (c != '`') names += c;
            }
            EXPECT_TRUE(tables.switches.emplace(names, meaning).second) << line;
        } else if (first.find_first_not_of("0123456789") == std::string::npos) {
            EXPECT_TRUE(tables.codes.emplace(std::stoul(first), meaning).second) << line;
        }
    }
    return tables;
}

// The first cell of a switch's row: "/quiet, /S".
std::string SwitchNames(const SwitchRow& row) {
    return std::string(row.name) + (row.alias ? std::string(", ") + row.alias : "");
}

TEST(RunOptions, TheReadmeTablesSayWhatTheTablesSay) {
    const ReadmeTables readme = ReadReadmeTables();
    ASSERT_FALSE(readme.switches.empty()) << "no switch rows under \"## Unattended installation\"";
    ASSERT_FALSE(readme.codes.empty()) << "no exit code rows under \"## Unattended installation\"";
    std::set<std::string> names;
    for (const SwitchRow& row : kSwitchTable) {
        names.insert(SwitchNames(row));
        const auto found = readme.switches.find(SwitchNames(row));
        if (found == readme.switches.end()) {
            ADD_FAILURE() << "README has no row for " << SwitchNames(row);
            continue;
        }
        EXPECT_EQ(row.meaning, found->second) << SwitchNames(row);
    }
    for (const auto& row : readme.switches) {
        EXPECT_EQ(1u, names.count(row.first)) << "README row of no switch: " << row.first;
    }
    for (const ExitCodeRow& row : kExitCodeTable) {
        const auto found = readme.codes.find(row.code);
        if (found == readme.codes.end()) {
            ADD_FAILURE() << "README has no row for exit code " << row.code;
            continue;
        }
        EXPECT_EQ(row.meaning, found->second) << "exit code " << row.code;
    }
    for (const auto& row : readme.codes) {
        EXPECT_NE(nullptr, FindExitCode(row.first)) << "README row of no exit code: " << row.first;
    }
}
#endif

}  // namespace
