// The upgrade procedure's portable rules: the target paths and the final warnings.
#include "app/upgrade_procedure.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>

#include "payload/carried_files.h"
#include "support/run_options.h"

namespace {

TEST(TargetPathsFit, UpToAFolderOf247Characters) {
    // qelMapE.dll's target and every temporary file are the folder + 12 characters, which
    // must stay within 259; tVisX.exe's and tVisLV.exe's targets are shorter.
    struct Case {
        size_t length;  // of the folder, kept without its final separator
        bool fits;
    } const cases[] = {
        {3, true},    {120, true},  {240, true},  {246, true},  {247, true},
        {248, false}, {249, false}, {250, false}, {259, false}, {600, false},
    };
    for (const Case& c : cases) {
        std::string folder = "C:\\" + std::string(c.length - 3, 'v');
        EXPECT_EQ(c.fits, TargetPathsFit(folder.c_str())) << c.length;
    }
    EXPECT_TRUE(TargetPathsFit("C:"));
}

TEST(FinalWarningText, ChosenByWriteFailureAndEdition) {
    struct Case {
        bool writeFailed;
        bool kwil;
        const char* text;
    } const cases[] = {
        {true, true,
         "Wystąpił błąd: System KWIL jest uruchomiony.\r\n\r\nAktualizacja jest niemożliwa."},
        {true, false,
         "Wystąpił błąd: Program tVis OL lub LV jest uruchomiony.\r\n\r\n"
         "Aktualizacja jest niemożliwa."},
        {false, true,
         "Wystąpił błąd:\r\n\r\nSystem KWIL jest uruchomiony,\r\nalbo uaktualnienie jest "
         "uszkodzone.\r\n\r\nAktualizacja jest niemożliwa."},
        {false, false,
         "Wystąpił błąd:\r\n\r\nProgram tVis OL lub LV jest uruchomiony,\r\nalbo uaktualnienie "
         "jest uszkodzone.\r\n\r\nAktualizacja jest niemożliwa."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(c.text), FinalWarningText(c.writeFailed, c.kwil))
            << c.writeFailed << c.kwil;
    }
}

TEST(CarriedFiles, EveryNameOfEachFileAgrees) {
    // The new copy is the product name with "u" appended, and extraction writes it
    // under the same name in lower case; the compressed name is the upper-case stem.
    for (const CarriedFile& file : kCarriedFiles) {
        std::string product = file.productName;
        EXPECT_EQ(product + "u", file.newCopyName);
        std::string lower;
        for (char c : std::string(file.newCopyName)) lower += static_cast<char>(std::tolower(c));
        EXPECT_EQ(lower, file.workName);
        std::string stem = product.substr(0, product.find('.'));
        std::string upper;
        for (char c : stem) upper += static_cast<char>(std::toupper(c));
        EXPECT_EQ(upper + ".WCP", file.compressedName);
    }
    // The replacement order: the library, then tVisX.exe, then tVisLV.exe.
    std::string order;
    for (CarriedFileIndex index : kReplacementOrder) {
        order += std::string(kCarriedFiles[index].productName) + " ";
    }
    EXPECT_EQ("qelMapE.dll tVisX.exe tVisLV.exe ", order);
}

}  // namespace

namespace {

constexpr uint64_t kK = 64 * 1024;  // the rounding unit

// Sizes in payload order (qelMapE.dll, tVisLV.exe, tVisX.exe); the steps run qelMapE.dll,
// tVisX.exe, tVisLV.exe.
TEST(FirstStepWithoutRoom, EachTemporaryFileNeedsItsRoomBesideTheOldFile) {
    struct Case {
        const char* what;
        uint64_t freeBytes;
        uint64_t newSizes[kPayloadFileCount];
        uint64_t oldSizes[kPayloadFileCount];
        int step;
    } const cases[] = {
        {"plenty of room", 100 * kK, {3 * kK, 3 * kK, 3 * kK}, {2 * kK, 2 * kK, 2 * kK}, -1},
        {"exactly the first copy", 3 * kK, {3 * kK, 1, 1}, {3 * kK, 1, 1}, -1},
        {"one byte short for the first", 3 * kK - 1, {3 * kK, 1, 1}, {0, 0, 0}, 0},
        // Rounded up to whole units: a byte over a unit needs two.
        {"rounded up", kK, {kK + 1, 1, 1}, {kK, kK, kK}, 0},
        // Each replaced file frees its old size and takes its new one: growing files eat
        // the room, and the third step (tVisLV.exe) no longer fits.
        {"growing files", 4 * kK, {2 * kK, 3 * kK, 2 * kK}, {kK, kK, kK}, 2},
        // Shrinking files give room back for the next step.
        {"shrinking files", 2 * kK, {2 * kK, 3 * kK, kK}, {4 * kK, kK, 2 * kK}, -1},
        {"no room at all", 0, {1, 1, 1}, {1, 1, 1}, 0},
        {"a huge free count", UINT64_MAX, {kK, kK, kK}, {0, 0, 0}, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.step, FirstStepWithoutRoom(c.freeBytes, c.newSizes, c.oldSizes)) << c.what;
    }
}

TEST(StepFailure, TargetFailuresCountAsWritesAndOnlyAHeldFileAsksForARetry) {
    struct Case {
        StepFailure failure;
        bool target;
        uint32_t exitCode;
    } const cases[] = {
        {StepFailure::kCopyMissing, false, kExitFailed},
        {StepFailure::kNoMemory, false, kExitFailed},
        {StepFailure::kCopyUnreadable, false, kExitFailed},
        {StepFailure::kCopyWithoutRecord, false, kExitFailed},
        {StepFailure::kCopyChanged, false, kExitFailed},
        {StepFailure::kTargetHeld, true, kExitRetryLater},
        {StepFailure::kTargetRefused, true, kExitFailed},
        {StepFailure::kDiskFull, true, kExitFailed},
        {StepFailure::kWriteFailed, true, kExitFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(FailureText(c.failure));
        EXPECT_EQ(c.target, IsTargetFailure(c.failure));
        EXPECT_EQ(c.exitCode, ExitCodeForFailure(c.failure));
        EXPECT_STRNE("", FailureText(c.failure));
    }
}

TEST(ExitCodeForReason, HeldFilesOfAnEarlierRunAskForARetry) {
    for (int32_t code : {10, 11, 12, 30, 31, 32})
        EXPECT_EQ(kExitRetryLater, ExitCodeForReason(code));
    for (int32_t code : {1, 2, 3, 4, 5, 6, 7, 20, 21, 22, 40, 41, 42}) {
        EXPECT_EQ(kExitFailed, ExitCodeForReason(code)) << code;
    }
}

}  // namespace
