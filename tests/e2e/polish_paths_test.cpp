// The whole upgrade on a Polish Windows (ANSI code page 1250) with a percent sign and
// Polish letters in the product folder and in the user's profile, where the work folder
// lies. The test program itself runs with that code page (the Wine wrapper gives it the
// locale of TVIS_TEST_LANG), so its paths are code page 1250 bytes as the installer's are.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/moved_templates.h"
#include "tests/e2e/upgrade_fixture.h"

namespace {

// "tVis 100% Łódź" and "Zażółć 100%", in code page 1250.
const char kProductFolderName[] =
    "tVis 100% \xA3\xF3"
    "d\x9F";
const char kUserName[] = "Za\xBF\xF3\xB3\xE6 100%";

class PolishPaths : public Upgrade {
protected:
    void SetUp() override {
        if (GetACP() != 1250) {
            GTEST_SKIP() << "code page " << GetACP()
                         << ", not 1250: no Polish locale for Wine here"
                            " (scripts/test.sh makes one)";
        }
        Upgrade::SetUp();
    }
};

TEST_F(PolishPaths, UpgradeWithPercentSignsAndPolishLettersInTheProductAndProfilePaths) {
    ASSERT_NO_FATAL_FAILURE(InstallProductIn(place.File(kProductFolderName)));
    const std::string profile = place.File("users\\");
    ASSERT_TRUE(CreateTestFolder(profile));
    ASSERT_TRUE(CreateTestFolder(profile + kUserName));
    const std::string work = profile + kUserName + "\\Templates";
    ASSERT_TRUE(CreateTestFolder(work));
    MovedTemplatesFolder moved(work);
    ASSERT_TRUE(moved.moved());
    ASSERT_EQ(work + "\\", std::string(GetWorkFolder(nullptr)));

    Launch();
    EXPECT_EQ(L"5.2 R", ControlText(dialog, kInstalledVersionId));
    Press(dialog, IDOK);
    ExpectSuccessBoxAndExit();
    // The log names the product's files in code page 1250, as the installer found them.
    EXPECT_EQ(ExpectedLog({kQelMapE, kTVisX, kTVisLV}), ReadTestFile(kLogFilePath));
    // The run left its six files in the moved work folder, the new copies whole.
    for (int i = 0; i < kPayloadFileCount; ++i) {
        EXPECT_EQ(fresh_[i], ReadTestFile(work + "\\" + kCarriedFiles[i].workName)) << i;
    }
    std::vector<std::string> names = FilesIn(work + "\\");
    EXPECT_EQ(6u, names.size());
}

}  // namespace
