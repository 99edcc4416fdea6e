// stub_check_fuzz: what `tvispack build` makes of the program it is given as the stub, on any
// bytes: the PE headers and the resource directory (ReadPeHeaders), the version resource
// (ReadVersionResource) and the verdict with its words (IdentifyStub, StubProblem,
// StubSummary). Each input is read twice: as the program, in a buffer of exactly its size,
// and as the bytes of a version resource, which a program's headers would seldom lead to.
#include <string>

#include "resources/stub_identity.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_targets.h"
#include "tools/pe_image.h"
#include "tools/stub_check.h"
#include "tools/version_resource.h"

namespace {

// Well-formed UTF-8 (no overlong form, no surrogate, nothing above U+10FFFF, no NUL) of at
// most `maxCharacters` characters.
bool IsUtf8Text(const std::string& text, size_t maxCharacters) {
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++characters) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        uint32_t code = 0;
        if (lead == 0) return false;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if (lead >= 0xC2 && lead < 0xE0) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead < 0xF5) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        const uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
            return false;
        }
        i += length;
    }
    return characters <= maxCharacters;
}

void CheckVersionResource(bool read, const VersionResource& version) {
    if (!read) {
        FuzzCheck(!version.fixedInfo && version.strings.empty(),
                  "a resource that does not read leaves nothing behind");
        for (int k = 0; k < 4; ++k) {
            FuzzCheck(version.fileVersion[k] == 0 && version.productVersion[k] == 0,
                      "a resource that does not read has no versions");
        }
        return;
    }
    FuzzCheck(version.strings.size() <= kMaxVersionStrings, "at most the strings kept");
    for (const auto& entry : version.strings) {
        FuzzCheck(IsUtf8Text(entry.first, kMaxVersionTextUnits),
                  "a key is UTF-8 of at most the characters kept");
        FuzzCheck(IsUtf8Text(entry.second, kMaxVersionTextUnits),
                  "a value is UTF-8 of at most the characters kept");
    }
}

void CheckHeaders(const PeHeaders& headers, uint64_t length) {
    FuzzCheck(headers.versionSize == 0 || (headers.versionOffset <= length &&
                                           headers.versionSize <= length - headers.versionOffset),
              "the version resource lies inside the image");
    FuzzCheck(headers.versionSize != 0 || headers.versionOffset == 0,
              "no version resource, no place");
    FuzzCheck(headers.notPe.empty() || headers.versionSize == 0,
              "what is no Windows program has no version resource");
}

void CheckIdentity(const StubIdentity& stub, const PeHeaders& headers) {
    FuzzCheck(stub.windowsProgram == headers.notPe.empty(), "a Windows program has PE headers");
    FuzzCheck((stub.verdict == StubVerdict::kNotWindowsProgram) == !stub.windowsProgram,
              "only what has no PE headers is no Windows program");
    FuzzCheck(stub.windowsProgram || (!stub.notPe.empty() && stub.machine == 0),
              "what is no program has its reason and no machine");
    FuzzCheck(!stub.hasVersionResource || headers.versionSize > 0,
              "a version resource only where the headers lead");
    if (stub.verdict == StubVerdict::kOurs) {
        FuzzCheck(!headers.dll && headers.subsystem == kPeSubsystemGui,
                  "our stub is a GUI program");
        FuzzCheck((headers.machine == kPeMachineI386 && headers.magic == 0x10B) ||
                      (headers.machine == kPeMachineAmd64 && headers.magic == 0x20B),
                  "our stub is x86 in PE32 or x64 in PE32+");
        FuzzCheck(stub.hasVersionResource &&
                      stub.version.Text("InternalName") == TVIS_STUB_INTERNAL_NAME &&
                      stub.version.Text("ProductName") == TVIS_STUB_PRODUCT_NAME,
                  "our stub carries both parts of our mark");
    }

    const std::string problem = StubProblem(stub);
    FuzzCheck(problem.empty() == (stub.verdict == StubVerdict::kOurs),
              "every stub but ours is refused with words");
    const std::string summary = StubSummary(stub);
    const std::string machine = stub.MachineName();
    FuzzCheck(summary.compare(0, machine.size(), machine) == 0,
              "the summary starts with the machine");
    FuzzCheck(
        (summary.find(", commit ") != std::string::npos) == (stub.verdict == StubVerdict::kOurs),
        "only our stub's summary names a commit");
}

}  // namespace

int FuzzStubCheck(const uint8_t* data, size_t size) {
    const PeHeaders headers = ReadPeHeaders(data, size);
    CheckHeaders(headers, size);
    const StubIdentity stub = IdentifyStub(data, size);
    CheckIdentity(stub, headers);
    CheckVersionResource(stub.hasVersionResource, stub.version);

    VersionResource version;
    version.strings.emplace_back("left", "over");
    const bool read = ReadVersionResource(data, static_cast<uint32_t>(size), &version);
    CheckVersionResource(read, version);
    return 0;
}
