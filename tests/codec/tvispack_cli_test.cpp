// The real tvispack binary on what a release engineer's slip gives it: programs that are
// not our stub, one file for two roles, records that differ, the 64-bit stub; verify
// against the release files; standard input and output, names after --, pipes, devices
// and folders; one-line usage errors; the version line; and the JSON report held to the
// table of its keys in docs/release.md.
#include <sys/stat.h>

#include <map>
#include <set>

#include "build_identity.h"
#include "payload/carried_files.h"
#include "tests/codec/tvispack_fixture.h"

namespace {

// Runs tvispack with standard output and standard error apart.
struct SplitRun {
    int status = -1;
    std::string out;
    std::string err;
};

class TvispackCli : public Tvispack {
protected:
    SplitRun RunSplit(const std::string& args, const std::string& input = "/dev/null") {
        SplitRun run;
        std::string ignored;
        // In a subshell, so that RunCommand's own 2>&1 does not join the two again.
        run.status =
            RunCommand("(" + Quote(TVISPACK_PATH) + " " + args + " <" + Quote(input) + " >" +
                           Quote(dir.File("stdout")) + " 2>" + Quote(dir.File("stderr")) + ")",
                       &ignored);
        const Bytes out = ReadBytes(dir.File("stdout"));
        const Bytes err = ReadBytes(dir.File("stderr"));
        run.out.assign(out.begin(), out.end());
        run.err.assign(err.begin(), err.end());
        return run;
    }

    std::string Inputs() {
        return " --qelmape " + Quote(dir.File("qelMapE.dll")) + " --tvislv " +
               Quote(dir.File("tVisLV.exe")) + " --tvisx " + Quote(dir.File("tVisX.exe"));
    }
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Build refuses every program that is not our stub, naming the file and what it is, and
// writes nothing.
TEST_F(TvispackCli, BuildRefusesWhatIsNotTheStub) {
    TestStubShape console;
    console.subsystem = 3;
    TestStubShape dll;
    dll.dll = true;
    TestStubShape foreign;
    foreign.strings = {{"ProductName", "Wine"}};
    TestStubShape bare;
    bare.versionResource = false;
    struct Case {
        const char* what;
        Bytes stub;
        const char* words;
    } const cases[] = {
        {"random bytes", RandomBytes(810000, 5), "is not a Windows program"},
        {"an empty file", Bytes(), "is not a Windows program"},
        {"the tvispack binary", ReadBytes(TVISPACK_PATH), "is not a Windows program"},
        {"a console program", MakeTestStub(60000, console), "is a console program"},
        {"a DLL", MakeTestStub(60000, dll), "is a Windows DLL"},
        {"another product", MakeTestStub(60000, foreign),
         "is a Windows program but not the tvisupgrade stub (no version resource of ours: its "
         "version resource names the product 'Wine')"},
        {"no version resource", MakeTestStub(60000, bare),
         "is a Windows program but not the tvisupgrade stub"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteBytes(dir.File("stub.exe"), c.stub));
        const SplitRun run = RunSplit(BuildArgs(dir.File("stub.exe"), dir.File("out.exe")));
        EXPECT_EQ(1, run.status);
        EXPECT_EQ(0u, run.err.find("tvispack: the stub '" + dir.File("stub.exe") + "' ("))
            << run.err;
        EXPECT_TRUE(Has(run.err, c.words)) << run.err;
        EXPECT_TRUE(Has(run.err, "nothing was written")) << run.err;
        EXPECT_EQ("", run.out);
        EXPECT_FALSE(FileExists(dir.File("out.exe")));
    }
}

// The 64-bit stub only when asked for; the summary says which stub went in.
TEST_F(TvispackCli, The64BitStubNeedsItsOptionAndTheSummaryNamesTheMachine) {
    TestStubShape x64;
    x64.machine = 0x8664;
    ASSERT_TRUE(WriteBytes(dir.File("stub64.exe"), MakeTestStub(60000, x64)));
    SplitRun run = RunSplit(BuildArgs(dir.File("stub64.exe"), dir.File("out.exe")));
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(Has(run.err, "is the 64-bit installer stub (x64")) << run.err;
    EXPECT_TRUE(Has(run.err, "--allow-64-bit-stub")) << run.err;
    EXPECT_FALSE(FileExists(dir.File("out.exe")));

    run = RunSplit(BuildArgs(dir.File("stub64.exe"), dir.File("out.exe")) + " --allow-64-bit-stub");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(Has(run.out, "\n  stub: x64 (64-bit), tVis upgrade installer 1.0.0, commit "))
        << run.out;
    run = RunSplit(BuildArgs(dir.File("stub.exe"), dir.File("out.exe")));
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_TRUE(Has(run.out,
                    "\n  stub: x86 (32-bit), tVis upgrade installer 1.0.0, commit "
                    "0123456789abcdef0123456789abcdef01234567\n"))
        << run.out;
    run = RunSplit(BuildArgs(dir.File("stub.exe"), dir.File("out.exe")) +
                   " --allow-64-bit-stub --allow-64-bit-stub");
    EXPECT_EQ(2, run.status);
    EXPECT_EQ("tvispack: build: --allow-64-bit-stub is given twice; see tvispack help build\n",
              run.err);
}

// One file (the same bytes, under any name) for two of the four roles is refused.
TEST_F(TvispackCli, BuildRefusesOneFileForTwoRoles) {
    struct Case {
        const char* copy;  // the file copied over another
        const char* onto;
        const char* first;  // the roles the message names, in order
        const char* second;
    } const cases[] = {
        {"stub.exe", "qelMapE.dll", "the stub '", "--qelmape file '"},
        {"qelMapE.dll", "tVisLV.exe", "--qelmape file '", "--tvislv file '"},
        {"tVisLV.exe", "tVisX.exe", "--tvislv file '", "--tvisx file '"},
        {"qelMapE.dll", "tVisX.exe", "--qelmape file '", "--tvisx file '"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.copy) + " onto " + c.onto);
        SetUp();
        ASSERT_TRUE(WriteBytes(dir.File(c.onto), ReadBytes(dir.File(c.copy))));
        const SplitRun run = RunSplit(BuildArgs(dir.File("stub.exe"), dir.File("out.exe")));
        EXPECT_EQ(1, run.status);
        const std::string both = c.first + dir.File(c.copy) + "' and " + c.second +
                                 dir.File(c.onto) + "' hold the same bytes";
        EXPECT_TRUE(Has(run.err, both)) << both << "\n" << run.err;
        EXPECT_FALSE(FileExists(dir.File("out.exe")));
    }
    SetUp();
    EXPECT_EQ(0, RunSplit(BuildArgs(dir.File("stub.exe"), dir.File("out.exe"))).status);
}

// Records that differ in version text, edition or build: a warning with all three, and
// the installer is built all the same.
TEST_F(TvispackCli, BuildWarnsWhenTheRecordsDiffer) {
    struct Case {
        const char* what;
        int file;
        RecordFields fields;
        const char* words;  // null: no warning
    };
    RecordFields version;
    version.versionText = "5.4";
    RecordFields edition;
    edition.editionText = "KWIL";
    RecordFields build;
    build.build = 1251;
    const Case cases[] = {{"all alike", 0, RecordFields(), nullptr},
                          {"version", 1, version, "differ in version;"},
                          {"edition", 2, edition, "differ in edition;"},
                          {"build", 0, build, "differ in build;"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        const uint32_t recordAt[3] = {4000, 39000, 1};  // where the fixture put them
        PlaceRecord(inputs[c.file], recordAt[c.file], c.fields);
        ASSERT_TRUE(WriteBytes(dir.File(kProductNames[c.file]), inputs[c.file]));
        const SplitRun run = RunSplit(BuildArgs(dir.File("stub.exe"), dir.File("out.exe")));
        EXPECT_EQ(0, run.status) << run.err;
        EXPECT_TRUE(FileExists(dir.File("out.exe")));
        if (!c.words) {
            EXPECT_EQ("", run.err);
            continue;
        }
        EXPECT_EQ(0u, run.err.find("tvispack: warning: the three version records ")) << run.err;
        EXPECT_TRUE(Has(run.err, c.words)) << run.err;
        for (int i = 0; i < 3; ++i) {
            const RecordFields& shown = i == c.file ? c.fields : RecordFields();
            const std::string line = "  " + std::string(kProductNames[i]) +
                                     std::string(13 - std::string(kProductNames[i]).size(), ' ') +
                                     "version '" + shown.versionText + "', edition '" +
                                     shown.editionText + "', build " + std::to_string(shown.build) +
                                     " (" + dir.File(kProductNames[i]) + ")";
            EXPECT_TRUE(Has(run.err, line)) << line << "\n" << run.err;
        }
    }
}

// verify passes on the installer built from the files, and fails naming the file and the
// first offset where it differs when one release file differs by one byte or in length.
TEST_F(TvispackCli, VerifyComparesEachCarriedFileWithItsReleaseFile) {
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
    const std::string verify = "verify " + Quote(dir.File("out.exe")) + Inputs();
    SplitRun run = RunSplit(verify);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("", run.err);
    EXPECT_TRUE(Has(run.out, "the installer carries exactly these release files")) << run.out;

    const Bytes original[3] = {inputs[0], inputs[1], inputs[2]};
    struct Case {
        int file;
        size_t at;  // the byte changed, or the length cut to
        bool cut;
        const char* where;
    } const cases[] = {{0, 0, false, "at offset 0 (0x0): carried 0x"},
                       {1, 12345, false, "at offset 12,345 (0x3039): carried 0x"},
                       {2, inputs[2].size() - 1, false, "at offset 72,999 (0x11D27)"},
                       {1, 30000, true,
                        "in length: carried 40,000 bytes, release file 30,000, "
                        "the same up to offset 30,000"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        Bytes changed = original[c.file];
        if (c.cut) {
            changed.resize(c.at);
        } else {
            changed[c.at] ^= 0x01;
        }
        ASSERT_TRUE(WriteBytes(dir.File(kProductNames[c.file]), changed));
        run = RunSplit(verify);
        EXPECT_EQ(1, run.status);
        const std::string names = std::string(kCarriedFiles[c.file].compressedName) + " (" +
                                  kProductNames[c.file] + ") in '" + dir.File("out.exe") +
                                  "' differs from " + kOptions[c.file] + " file '" +
                                  dir.File(kProductNames[c.file]) + "' ";
        EXPECT_TRUE(Has(run.err, names + c.where)) << names << c.where << "\n" << run.err;
        EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
        ASSERT_TRUE(WriteBytes(dir.File(kProductNames[c.file]), original[c.file]));
    }
    // A damaged installer fails with the installer's reason.
    Bytes file = ReadBytes(dir.File("out.exe"));
    file[file.size() - kTrailerSize] ^= 1;
    ASSERT_TRUE(WriteBytes(dir.File("bad.exe"), file));
    run = RunSplit("verify " + Quote(dir.File("bad.exe")) + Inputs());
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(Has(run.err, "code 5")) << run.err;
    EXPECT_EQ(2, RunSplit("verify " + Quote(dir.File("out.exe"))).status);
}

// inspect says why it exits 1 on standard error, whatever the file.
TEST_F(TvispackCli, InspectGivesItsReasonOnStandardErrorWhenItFails) {
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
    const Bytes file = ReadBytes(dir.File("out.exe"));
    ASSERT_TRUE(WriteBytes(dir.File("cut.exe"), Bytes(file.begin(), file.end() - 8)));
    Bytes badCheck = file;
    badCheck[file.size() - kTrailerSize] ^= 1;
    ASSERT_TRUE(WriteBytes(dir.File("badcheck.exe"), badCheck));
    struct Case {
        const char* file;
        const char* words;
    } const cases[] = {{"cut.exe", "code 3, the file is shorter than 1,000,000 bytes"},
                       {"badcheck.exe", "code 5, the trailer's check word does not match"},
                       {"stub.exe", "code 3, the file is shorter than 1,000,000 bytes"},
                       {"missing.exe", "cannot read '"}};
    for (const Case& c : cases) {
        for (const char* json : {"", " --json"}) {
            SCOPED_TRACE(std::string(c.file) + json);
            const SplitRun run = RunSplit("inspect " + Quote(dir.File(c.file)) + json);
            EXPECT_EQ(1, run.status);
            EXPECT_TRUE(Has(run.err, c.words)) << run.err;
            EXPECT_TRUE(Has(run.err, dir.File(c.file))) << run.err;
            EXPECT_FALSE(run.out.empty());
        }
    }
    const SplitRun sound = RunSplit("inspect " + Quote(dir.File("out.exe")));
    EXPECT_EQ(0, sound.status);
    EXPECT_EQ("", sound.err);
}

// "-" is standard input for inspect and standard output for build; a name that starts
// with "-" goes after "--".
TEST_F(TvispackCli, StandardStreamsAndNamesAfterTheEndOfOptions) {
    ASSERT_EQ(0, Build(dir.File("out.exe"))) << output;
    const Bytes built = ReadBytes(dir.File("out.exe"));
    const SplitRun piped = RunSplit(BuildArgs(dir.File("stub.exe"), "-"));
    EXPECT_EQ(0, piped.status) << piped.err;
    EXPECT_TRUE(Bytes(piped.out.begin(), piped.out.end()) == built);
    EXPECT_EQ(0u, piped.err.find("wrote standard output: 1,000,000 bytes")) << piped.err;

    const SplitRun named = RunSplit("inspect " + Quote(dir.File("out.exe")));
    const SplitRun fromStdin = RunSplit("inspect -", dir.File("out.exe"));
    EXPECT_EQ(0, fromStdin.status) << fromStdin.err;
    ASSERT_EQ(0u, named.out.find(dir.File("out.exe") + "\n"));
    EXPECT_EQ("-\n" + named.out.substr(dir.File("out.exe").size() + 1), fromStdin.out);
    const SplitRun json = RunSplit("inspect --json -", dir.File("out.exe"));
    EXPECT_TRUE(Has(json.out, "\"path\": \"-\",")) << json.out;

    ASSERT_TRUE(WriteBytes(dir.File("-dash.exe"), built));
    // A relative name that starts with "-", from the folder: only "--" lets it through.
    const std::string cd = "cd " + Quote(dir.path()) + " && ";
    std::string ignored;
    EXPECT_EQ(0, RunCommand(cd + Quote(TVISPACK_PATH) + " inspect -- -dash.exe", &ignored))
        << ignored;
    EXPECT_EQ(2, RunCommand(cd + Quote(TVISPACK_PATH) + " inspect -dash.exe", &ignored));
    EXPECT_TRUE(Has(ignored, "unknown option '-dash.exe'")) << ignored;
    EXPECT_EQ(0, RunCommand(cd + Quote(TVISPACK_PATH) + " compress -- -dash.exe -d.ex_", &ignored))
        << ignored;
    EXPECT_EQ(0, RunCommand(cd + Quote(TVISPACK_PATH) + " expand -- -d.ex_ -", &ignored));
    EXPECT_EQ(0u, ignored.find(std::string(built.begin(), built.end()))) << "expanded to stdout";
}

// A named pipe with no writer, a device and a folder are refused at once, by every command
// that reads a file; a pipe is never opened (the open would wait for a writer forever).
TEST_F(TvispackCli, PipesDevicesAndFoldersAreRefusedAtOnce) {
    ASSERT_EQ(0, mkfifo(dir.File("pipe").c_str(), 0600));
    ASSERT_EQ(0, mkdir(dir.File("folder").c_str(), 0700));
    struct Case {
        std::string path;
        const char* words;
    } const cases[] = {{dir.File("pipe"), "it is a named pipe (FIFO), not a file"},
                       {"/dev/null", "it is a device, not a file"},
                       {dir.File("folder"), "it is a folder, not a file"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        // timeout ends a tvispack that waits, with a status of its own (124).
        const std::string commands[] = {
            "inspect " + Quote(c.path),
            "expand " + Quote(c.path) + " " + Quote(dir.File("x")),
            "compress " + Quote(c.path) + " " + Quote(dir.File("x")),
            "verify " + Quote(c.path) + Inputs(),
            BuildArgs(c.path, dir.File("out.exe")),
            "build --stub " + Quote(dir.File("stub.exe")) + " --qelmape " + Quote(c.path) +
                " --tvislv " + Quote(dir.File("tVisLV.exe")) + " --tvisx " +
                Quote(dir.File("tVisX.exe")) + " -o " + Quote(dir.File("out.exe")),
        };
        for (const std::string& command : commands) {
            SCOPED_TRACE(command);
            std::string out;
            const int status =
                RunCommand("timeout 20 " + Quote(TVISPACK_PATH) + " " + command, &out);
            EXPECT_EQ(1, status) << out;
            EXPECT_TRUE(Has(out, c.words)) << out;
            EXPECT_TRUE(Has(out, c.path)) << out;
        }
    }
}

// A usage error is one line that points at the command's help; the help itself is there.
TEST_F(TvispackCli, UsageErrorsAreOneLineThatPointsAtTheHelp) {
    struct Case {
        std::string args;
        const char* line;
    } const cases[] = {
        {"", "tvispack: no command given; see tvispack help\n"},
        {"frobnicate", "tvispack: unknown command 'frobnicate'; see tvispack help\n"},
        {"inspect", "tvispack: inspect: FILE.exe is missing; see tvispack help inspect\n"},
        {"inspect --yaml x.exe",
         "tvispack: inspect: unknown option '--yaml' (a file whose name starts with '-' goes "
         "after --); see tvispack help inspect\n"},
        {"inspect a.exe b.exe",
         "tvispack: inspect: one FILE.exe only, got 'b.exe'; see tvispack help inspect\n"},
        {"compress onlyone", "tvispack: compress: needs IN and OUT; see tvispack help compress\n"},
        {"expand a b c", "tvispack: expand: needs IN and OUT; see tvispack help expand\n"},
        {"build --qelmape q.dll",
         "tvispack: build: --tvislv tVisLV.exe is missing; see tvispack help build\n"},
        {"build --frob", "tvispack: build: unknown argument '--frob'; see tvispack help build\n"},
        {"verify x.exe --qelmape q --tvislv l",
         "tvispack: verify: --tvisx tVisX.exe is missing; see tvispack help verify\n"},
        {"verify --qelmape q --tvislv l --tvisx x",
         "tvispack: verify: FILE.exe is missing; see tvispack help verify\n"},
        {"version now", "tvispack: version takes no arguments; see tvispack help\n"},
    };
    for (const Case& c : cases) {
        const SplitRun run = RunSplit(c.args);
        EXPECT_EQ(2, run.status) << c.args;
        EXPECT_EQ(c.line, run.err) << c.args;
        EXPECT_EQ("", run.out) << c.args;
    }
    for (const char* command : {"build", "inspect", "verify", "compress", "expand"}) {
        const SplitRun help = RunSplit(std::string("help ") + command);
        EXPECT_EQ(0, help.status);
        EXPECT_EQ(0u, help.out.find(std::string("tvispack ") + command + ": ")) << help.out;
        EXPECT_EQ(help.out, RunSplit(std::string(command) + " --help").out) << command;
    }
}

// The version line: the project's version and the commit this tree was built from, the
// same for both spellings.
TEST_F(TvispackCli, VersionNamesTheProjectVersionAndTheCommit) {
    const std::string line =
        std::string("tvispack ") + TVIS_VERSION_TEXT + " (commit " + TVIS_SOURCE_COMMIT + ")\n";
    for (const char* args : {"--version", "version"}) {
        const SplitRun run = RunSplit(args);
        EXPECT_EQ(0, run.status);
        EXPECT_EQ(line, run.out) << args;
    }
    const std::string commit = TVIS_SOURCE_COMMIT;
    EXPECT_TRUE(
        commit == "unknown" ||
        (commit.size() == 40 && commit.find_first_not_of("0123456789abcdef") == std::string::npos))
        << commit;
}

}  // namespace
