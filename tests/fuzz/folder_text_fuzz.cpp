// folder_text_fuzz: what becomes of a folder text from the registry on its way to the
// product's file paths: NormaliseFolderText and RemoveTrailingSeparator (app/folder_text.h),
// JoinPath and FitsReplaceWholeFile (support/file_access.h), ConcatPath and
// TargetPathsFit (app/upgrade_procedure.h). The input is a folder text, a NUL, and a name; each
// text lies in a buffer of exactly its size, so that ASan sees any read or write beyond it.
#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "app/folder_text.h"
#include "app/upgrade_procedure.h"
#include "payload/carried_files.h"
#include "support/file_access.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"

namespace {

// A text in a heap buffer of its length and the terminator.
class ExactText {
public:
    explicit ExactText(const std::string& text) : bytes_(new char[text.size() + 1]) {
        std::memcpy(bytes_.get(), text.c_str(), text.size() + 1);
    }
    char* get() { return bytes_.get(); }

private:
    std::unique_ptr<char[]> bytes_;
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Whether a text longer than 4 characters ends in "mapy\" or "mapy/", any letter case.
bool EndsInMapsFolder(const std::string& text) {
    if (text.size() <= 4 || !IsSeparator(text.back())) return false;
    for (size_t i = 0; i < 4; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[text.size() - 5 + i]);
        if (std::tolower(c) != "mapy"[i]) return false;
    }
    return true;
}

// NormaliseFolderText cuts after the first ".exe", then drops a final maps folder; nothing
// else changes.
std::string CheckNormalised(const std::string& text) {
    ExactText buffer(text);
    NormaliseFolderText(buffer.get());
    const std::string result = buffer.get();
    const size_t exe = text.find(".exe");
    const std::string cut = exe == std::string::npos ? text : text.substr(0, exe + 4);
    FuzzCheck(result == (EndsInMapsFolder(cut) ? cut.substr(0, cut.size() - 5) : cut),
              "cut after \".exe\", then a final maps folder dropped");
    return result;
}

std::string CheckTrimmed(const std::string& text) {
    ExactText buffer(text);
    RemoveTrailingSeparator(buffer.get());
    const std::string result = buffer.get();
    const bool drops = text.size() > 2 && IsSeparator(text.back());
    FuzzCheck(result == (drops ? text.substr(0, text.size() - 1) : text),
              "one separator goes, from a text longer than two characters");
    return result;
}

void CheckJoin(const std::string& folder, const std::string& name) {
    ExactText folderText(folder);
    ExactText nameText(name);
    const char* joined = JoinPath(folderText.get(), nameText.get());
    if (name.empty()) {
        FuzzCheck(joined == folderText.get(), "an empty name gives the folder itself");
        return;
    }
    if (folder.empty()) {
        FuzzCheck(joined == nameText.get(), "an empty folder gives the name itself");
        return;
    }
    std::string expected = folder;
    if (!IsSeparator(folder.back())) expected += '\\';
    expected += IsSeparator(name[0]) ? name.substr(1) : name;
    if (expected.size() >= kJoinBufferSize) {
        FuzzCheck(joined == nullptr, "a join too long for its buffer is refused");
        return;
    }
    FuzzCheck(joined != nullptr && expected == joined, "folder, one separator, name");

    // The temporary file of ReplaceWholeFile lies in the path's folder.
    size_t folderLength = 2;
    size_t last = expected.find_last_of("\\/");
    if (last != std::string::npos) folderLength = last + 1;
    const bool fits =
        expected.size() < kFilePathSize && folderLength + kReplaceTempNameLength < kFilePathSize;
    FuzzCheck(FitsReplaceWholeFile(joined) == fits, "the path and its temporary file fit");
}

// The procedure's target paths: folder + "\" + name or nothing, and TargetPathsFit exactly
// when every target can be built and replaced.
void CheckTargets(const std::string& folder) {
    ExactText folderText(folder);
    bool allFit = true;
    for (const CarriedFile& file : kCarriedFiles) {
        char target[kTargetPathSize];
        const std::string expected = folder + "\\" + file.productName;
        const bool built = ConcatPath(target, folderText.get(), "\\", file.productName);
        FuzzCheck(built == (expected.size() < kTargetPathSize), "a target is built when it fits");
        FuzzCheck(built ? expected == target : target[0] == '\0',
                  "the target path, or an empty one");
        if (!built || !FitsReplaceWholeFile(target)) allFit = false;
    }
    FuzzCheck(TargetPathsFit(folderText.get()) == allFit, "TargetPathsFit agrees with its parts");
}

}  // namespace

int FuzzFolderText(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const void* nul = size > 0 ? std::memchr(text, '\0', size) : nullptr;
    const size_t folderLength = nul ? static_cast<const char*>(nul) - text : size;
    const std::string folder(text, folderLength);
    const std::string name =
        folderLength < size ? std::string(text + folderLength + 1, size - folderLength - 1) : "";
    const std::string nameText = name.c_str();  // up to its first NUL, as the product sees it

    const std::string normalised = CheckNormalised(folder);
    const std::string trimmed = CheckTrimmed(normalised);
    CheckJoin(folder, nameText);
    CheckJoin(normalised, nameText);
    CheckTargets(trimmed);
    return 0;
}
