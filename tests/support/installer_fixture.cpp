// The in-process installer tests' base; see installer_fixture.h.
#include "tests/support/installer_fixture.h"

#include <cstring>

#include "app/discovery.h"
#include "app/registry.h"
#include "app/unattended.h"
#include "app/upgrade_dialog.h"
#include "app/upgrade_procedure.h"
#include "app/upgrade_sequence.h"
#include "app/version_view.h"
#include "payload/extract.h"
#include "payload/work_folder.h"
#include "support/diagnostics.h"
#include "version/version_reader.h"

void ResetInstallerState() {
    // payload/
    std::memset(workFolder, 0, sizeof workFolder);
    for (int i = 0; i < kPayloadFileCount; ++i) {
        newCopyDigest[i] = Sha256Digest{};
        newCopyKnown[i] = false;
    }
    // version/
    installedRecord = VersionRecord{};
    upgradeRecord = VersionRecord{};
    // app/: the run, the registry, the discovery, the version view, the dialog, its
    // sequence and the procedure.
    runOptions = RunOptions{};
    runExitCode = kExitFailed;
    hklmWritable = false;
    std::memset(productFolder, 0, sizeof productFolder);
    std::memset(candidateFolder, 0, sizeof candidateFolder);
    upgradePossible = false;
    kwilEdition = false;
    dialogWindow = nullptr;
    kpr = 0;
    iconPosition = POINT{};
    dialogIcon = nullptr;
    ResetStartSequence();
    logViewWindow = nullptr;
    onLineWindow = nullptr;
    writeFailed = false;
    procedureFailure = StepFailure::kNone;
}

void InstallerCodeTest::SetUp() {
    ASSERT_NE(nullptr, dialog.get());
    watcher.Ignore(dialog.get());
    ResetInstallerState();
}

void InstallerCodeTest::TearDown() {
    SetFileAttributesA(kLogFilePath, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(kLogFilePath);
}
