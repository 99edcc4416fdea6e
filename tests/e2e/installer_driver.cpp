// The real installer run end to end; see installer_driver.h.
#include "tests/e2e/installer_driver.h"

#include <iterator>

#include "app/discovery.h"
#include "payload/work_folder.h"
#include "resources/dialog_ids.h"
#include "tests/support/installer_image.h"

namespace {

// The installer leaves its six files in the user's templates folder.
constexpr const char* kWorkFiles[] = {"QELMAPE.WCP",  "TVISLV.WCP",  "TVISX.WCP",
                                      "qelmape.dllu", "tvislv.exeu", "tvisx.exeu"};

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find_last_of('\\') + 1);
}

}  // namespace

RecordFields InstalledRecord() {
    RecordFields fields;
    fields.versionText = "5.2 R";
    fields.build = 1187;
    fields.dateChars = "250611";
    return fields;
}

RecordFields UpgradeRecord() {
    RecordFields fields;
    fields.build = 1250;
    fields.dateChars = "261210";
    fields.hour = 14;
    fields.minute = 30;
    fields.second = 5;
    fields.hundredths = 50;
    return fields;
}

UpgradeSetup::UpgradeSetup()
    : productFolder_(place_.File("tVis\\")), installer_(place_.File("setup.exe")) {
    Clear();
}

UpgradeSetup::~UpgradeSetup() { Clear(); }

void UpgradeSetup::Clear() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kProductKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    const std::string work = GetWorkFolder(nullptr);
    for (const char* name : kWorkFiles) DeleteFileA((work + name).c_str());
}

testing::AssertionResult UpgradeSetup::Prepare(const RecordFields& installed,
                                               const RecordFields& upgrade) {
    if (!CreateDirectoryA(productFolder_.c_str(), nullptr)) {
        return testing::AssertionFailure() << "cannot create " << productFolder_;
    }
    for (const char* name : kProductFileNames) {
        if (!WriteTestFile(ProductFile(name), ToString(MakeProductFile(150000, 3000, installed)))) {
            return testing::AssertionFailure() << "cannot write " << ProductFile(name);
        }
    }
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return testing::AssertionFailure() << "cannot create HKCU\\" << kProductKey;
    }
    LONG stored = RegSetValueExA(key, "path", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(productFolder_.c_str()),
                                 static_cast<DWORD>(productFolder_.size() + 1));
    RegCloseKey(key);
    if (stored != ERROR_SUCCESS) return testing::AssertionFailure() << "cannot set path";

    std::string stubText = ReadTestFile(BesideThisProgram("tvisupgrade.exe"));
    if (stubText == "<missing>") return testing::AssertionFailure() << "no tvisupgrade.exe";
    Bytes stub(stubText.begin(), stubText.end());
    Bytes regions[3];
    for (Bytes& region : regions) region = Compress(MakeProductFile(180000, 2000, upgrade), 'e');
    if (!WriteTestFile(installer_, ToString(MakeInstallerImage(stub, regions)))) {
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
