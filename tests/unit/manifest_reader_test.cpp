// The manifest reader of the tests: what counts as a declared system and a requested
// level, and what does not, so that a check of the installer's manifest cannot pass on a
// GUID that Windows would never read.
#include "tests/support/manifest_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n";
const std::string kTrust =
    "<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\"><security><requestedPrivileges>"
    "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"
    "</requestedPrivileges></security></trustInfo>\n";
const std::string kSeven = "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}";

std::string Os(const std::string& id) { return "<supportedOS Id=\"" + id + "\"/>"; }

std::string Compatibility(const std::string& inside) {
    return "<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\"><application>" +
           inside + "</application></compatibility>\n";
}

TEST(ReadManifest, FindsDeclaredSystemsOnlyWhereWindowsReadsThem) {
    struct Case {
        const char* name;
        std::string text;
        bool wellFormed;
        std::vector<std::string> supportedOs;
    } const cases[] = {
        {"declared", kHead + kTrust + Compatibility(Os(kSeven)) + "</assembly>", true, {kSeven}},
        {"upper-case GUID, single quotes",
         kHead + Compatibility("<supportedOS Id='{35138B9A-5D96-4FBD-8E2D-A2440225F93A}' />") +
             "</assembly>",
         true,
         {kSeven}},
        {"in a comment",
         kHead + Compatibility("<!-- " + Os(kSeven) + " -->") + "</assembly>",
         true,
         {}},
        {"without application",
         kHead + "<compatibility>" + Os(kSeven) + "</compatibility></assembly>",
         true,
         {}},
        {"outside compatibility",
         kHead + "<application>" + Os(kSeven) + "</application></assembly>",
         true,
         {}},
        {"under another root", "<other>" + Compatibility(Os(kSeven)) + "</other>", true, {}},
        {"prefixed elements",
         kHead +
             "<c:compatibility xmlns:c=\"urn:schemas-microsoft-com:compatibility.v1\">"
             "<c:application>" +
             Os(kSeven) + "</c:application></c:compatibility></assembly>",
         true,
         {kSeven}},
        {"unclosed", kHead + Compatibility(Os(kSeven)), false, {kSeven}},
        {"misnested",
         kHead + "<compatibility><application></compatibility></application>"
                 "</assembly>",
         false,
         {}},
        {"open comment", kHead + "<!-- </assembly>", false, {}},
        {"unquoted attribute", kHead + "<x a=b/></assembly>", false, {}},
        {"two roots", "<assembly/><assembly/>", false, {}},
    };
    for (const Case& c : cases) {
        ManifestFacts facts = ReadManifest(c.text);
        EXPECT_EQ(c.wellFormed, facts.wellFormed) << c.name;
        EXPECT_EQ(c.supportedOs, facts.supportedOs) << c.name;
    }
}

TEST(ReadManifest, ReadsTheRequestedLevelOnlyInsideTrustInfo) {
    struct Case {
        const char* name;
        std::string text;
        const char* level;
        const char* uiAccess;
    } const cases[] = {
        {"as invoker", kHead + kTrust + "</assembly>", "asInvoker", "false"},
        {"prefixed, administrator",
         kHead + "<v3:trustInfo xmlns:v3=\"urn:schemas-microsoft-com:asm.v3\"><v3:security>"
                 "<v3:requestedPrivileges><v3:requestedExecutionLevel "
                 "level=\"requireAdministrator\" uiAccess=\"true\"/></v3:requestedPrivileges>"
                 "</v3:security></v3:trustInfo></assembly>",
         "requireAdministrator", "true"},
        {"without security",
         kHead + "<trustInfo><requestedPrivileges><requestedExecutionLevel level=\"asInvoker\" "
                 "uiAccess=\"false\"/></requestedPrivileges></trustInfo></assembly>",
         "", ""},
        {"none", kHead + "</assembly>", "", ""},
    };
    for (const Case& c : cases) {
        ManifestFacts facts = ReadManifest(c.text);
        EXPECT_TRUE(facts.wellFormed) << c.name;
        EXPECT_EQ(c.level, facts.executionLevel) << c.name;
        EXPECT_EQ(c.uiAccess, facts.uiAccess) << c.name;
    }
}

}  // namespace
