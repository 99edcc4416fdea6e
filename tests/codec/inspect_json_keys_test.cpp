// inspect --json against the table of its keys in docs/release.md: every key the real
// output holds is in the table with the type it has there, and every key of the table is
// in the output, for installers that fill every part (sound, signed, a file without a
// record) and files that stop early (cut, too short, unreadable).
#include <fstream>
#include <map>
#include <set>

#include "payload/carried_files.h"
#include "tests/codec/tvispack_fixture.h"
#include "tests/fuzz/json_check.h"
#include "tests/support/installer_image.h"

namespace {

// Each key's path ("stub.machine", "files[].record.build") and the JSON types it took.
using KeyTypes = JsonTypes;

// The rows "| `key` | type | meaning |" of the table under "### The JSON report's keys"
// in docs/release.md; a type reads "integer", "string or null", ...
KeyTypes DocumentedKeys() {
    std::ifstream doc(std::string(TVIS_SOURCE_DIR) + "/docs/release.md");
    KeyTypes keys;
    std::string line;
    bool inSection = false;
    while (std::getline(doc, line)) {
        if (line.compare(0, 3, "###") == 0 || line.compare(0, 3, "## ") == 0) {
            inSection = line == "### The JSON report's keys";
            continue;
        }
        if (!inSection || line.compare(0, 3, "| `") != 0) continue;
        const size_t keyEnd = line.find("` |", 3);
        const size_t typeEnd = line.find(" |", keyEnd + 3);
        if (keyEnd == std::string::npos || typeEnd == std::string::npos) continue;
        const std::string key = line.substr(3, keyEnd - 3);
        std::string types = line.substr(keyEnd + 4, typeEnd - keyEnd - 4);
        std::set<std::string>& set = keys[key];
        for (size_t at = 0; at <= types.size();) {
            size_t next = types.find(" or ", at);
            if (next == std::string::npos) next = types.size();
            set.insert(types.substr(at, next - at));
            at = next + 4;
        }
    }
    return keys;
}

class InspectJsonKeys : public Tvispack {};

TEST_F(InspectJsonKeys, TheOutputAndTheTableInReleaseMdAgree) {
    const KeyTypes documented = DocumentedKeys();
    ASSERT_FALSE(documented.empty()) << "no table under \"### The JSON report's keys\"";

    ASSERT_EQ(0, Build(dir.File("sound.exe"))) << output;
    Bytes signedFile = ReadBytes(dir.File("sound.exe"));
    const uint32_t tableAt = static_cast<uint32_t>(signedFile.size());
    const Bytes table = RandomBytes(1000, 3);
    signedFile.insert(signedFile.end(), table.begin(), table.end());
    SetTestSecurityDirectory(&signedFile, tableAt, 1000);
    ASSERT_TRUE(WriteBytes(dir.File("signed.exe"), signedFile));
    Bytes files[3] = {inputs[0], MakeFileWithoutRecord(30000), inputs[2]};
    Bytes recordless = MakeInstallerImage(stub, files);
    ASSERT_TRUE(WriteBytes(dir.File("recordless.exe"), recordless));
    // No program at its start, no integrity block, a first region that is no SZDD file.
    Bytes odd[3] = {RandomBytes(20000, 4), Compress(inputs[1], 'e'), Compress(inputs[2], 'e')};
    ASSERT_TRUE(WriteBytes(dir.File("odd.exe"), MakeInstallerImage(RandomBytes(60000, 5), odd)));
    const Bytes sound = ReadBytes(dir.File("sound.exe"));
    ASSERT_TRUE(WriteBytes(dir.File("cut.exe"), Bytes(sound.begin(), sound.end() - 1)));
    const char* const names[] = {"sound.exe", "signed.exe", "recordless.exe", "odd.exe",
                                 "cut.exe",   "stub.exe",   "missing.exe"};

    KeyTypes seen;
    for (const char* name : names) {
        // Standard output alone: the reason of a failing file goes to standard error.
        RunCommand("(" + Quote(TVISPACK_PATH) + " inspect --json " + Quote(dir.File(name)) +
                       " 2>/dev/null)",
                   &output);
        KeyTypes keys;
        std::string why;
        ASSERT_TRUE(IsStrictJson(output, &why, &keys)) << name << ": " << why << "\n" << output;
        for (const auto& key : keys) seen[key.first].insert(key.second.begin(), key.second.end());
        // Every member of an object that is there: the sound installer has them all.
        if (std::string(name) == "sound.exe") {
            for (const auto& key : documented) {
                EXPECT_EQ(1u, keys.count(key.first))
                    << "documented, not in the output: " << key.first;
            }
        }
    }
    for (const auto& key : seen) {
        const auto row = documented.find(key.first);
        if (row == documented.end()) {
            ADD_FAILURE() << "in the output, not in docs/release.md: " << key.first;
            continue;
        }
        for (const std::string& type : key.second) {
            EXPECT_EQ(1u, row->second.count(type))
                << key.first << " is " << type << " in the output, not in docs/release.md";
        }
    }
    // The table's types are types a key takes somewhere (null from the short files).
    for (const auto& row : documented) {
        for (const std::string& type : row.second) {
            EXPECT_EQ(1u, seen[row.first].count(type))
                << row.first << ": docs/release.md says " << type << ", never seen";
        }
    }
}

}  // namespace
