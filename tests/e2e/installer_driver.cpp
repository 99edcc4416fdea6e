// The real installer run end to end; see installer_driver.h.
#include "tests/e2e/installer_driver.h"

#include <iterator>

#include "app/discovery.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "tests/support/installer_image.h"

namespace {

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('\\') + 1);
}

}  // namespace

UpgradeSetup::UpgradeSetup()
    : productFolder_(place_.File("tVis\\")), installer_(place_.File("setup.exe")) {
    ForgetUpgradeRuns();
}

UpgradeSetup::~UpgradeSetup() { ForgetUpgradeRuns(); }

testing::AssertionResult UpgradeSetup::Prepare(const RecordFields& installed,
                                               const RecordFields& upgrade) {
    if (!InstallOldProduct(productFolder_, installed)) {
        return testing::AssertionFailure() << "cannot install the product in " << productFolder_;
    }
    std::string stubText = ReadTestFile(BesideThisProgram("tvisupgrade.exe"));
    if (stubText == "<missing>") return testing::AssertionFailure() << "no tvisupgrade.exe";
    Bytes stub(stubText.begin(), stubText.end());
    if (!WriteTestFile(installer_, ToString(MakeUpgradeInstaller(stub, upgrade)))) {
        return testing::AssertionFailure() << "cannot write " << installer_;
    }
    return testing::AssertionSuccess();
}

InstallerDriver::InstallerDriver(const std::string& installer)
    : path_(installer), program_(installer, FolderOf(installer)) {}

testing::AssertionResult InstallerDriver::WaitForDialog(DWORD timeoutMs) {
    if (!program_.started()) return testing::AssertionFailure() << "cannot start " << path_;
    if (dialog_ == nullptr)
        dialog_ = ::WaitForDialog(program_.id(), nullptr, kStageLineId, timeoutMs);
    if (dialog_ == nullptr) return testing::AssertionFailure() << "no UPGRADE dialog";
    return testing::AssertionSuccess();
}

testing::AssertionResult InstallerDriver::WaitForReady(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    testing::AssertionResult shown = WaitForDialog(timeoutMs);
    if (!shown) return shown;
    DWORD spent = GetTickCount() - start;
    if (!WaitForControlText(dialog_, kStageLineId, kReadyStageText,
                            spent < timeoutMs ? timeoutMs - spent : 0)) {
        return testing::AssertionFailure()
               << "the dialog never became ready; its status line reads \""
               << Utf8(ControlText(dialog_, kStatusLineId)) << "\"";
    }
    return testing::AssertionSuccess();
}

DialogView InstallerDriver::ReadDialog() const {
    DialogView view;
    if (dialog_ == nullptr) return view;
    view.title = WindowText(dialog_);
    view.status = ControlText(dialog_, kStatusLineId);
    view.stage = ControlText(dialog_, kStageLineId);
    view.installedVersion = ControlText(dialog_, kInstalledVersionId);
    view.installedDate = ControlText(dialog_, kInstalledDateId);
    view.installedBuild = ControlText(dialog_, kInstalledBuildId);
    view.upgradeDate = ControlText(dialog_, kUpgradeDateId);
    view.upgradeBuild = ControlText(dialog_, kUpgradeBuildId);
    view.upgradeButton = ControlText(dialog_, IDOK);
    view.cancelButton = ControlText(dialog_, IDCANCEL);
    view.upgradeEnabled = IsEnabled(IDOK);
    view.cancelEnabled = IsEnabled(IDCANCEL);
    return view;
}

bool InstallerDriver::IsEnabled(int controlId) const {
    HWND control = dialog_ == nullptr ? nullptr : GetDlgItem(dialog_, controlId);
    return control != nullptr && IsWindowEnabled(control);
}

void InstallerDriver::Press(int buttonId) const {
    if (dialog_ != nullptr) ::Press(dialog_, buttonId);
}

std::optional<MessageBoxView> InstallerDriver::WaitForMessageBox(DWORD timeoutMs) {
    // Forget boxes that are gone, so that a new one with a recycled handle is not skipped.
    for (auto it = boxesSeen_.begin(); it != boxesSeen_.end();) {
        it = IsWindow(*it) ? std::next(it) : boxesSeen_.erase(it);
    }
    std::optional<MessageBoxView> box = ::WaitForMessageBox(program_.id(), boxesSeen_, timeoutMs);
    if (box) boxesSeen_.insert(box->window);
    return box;
}
