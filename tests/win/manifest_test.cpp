// The manifest inside the built installer: it declares every system from Vista to 11, so
// that Windows does not take it for a legacy program, and it runs with the rights of
// whoever starts it. Read twice: from the resource, as bytes, and as the system's own
// activation context reads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/manifest_reader.h"
#include "tests/support/temp_folder.h"

namespace {

struct System {
    const char* name;
    const char* id;
};

const System kSystems[] = {
    {"Vista", "{e2011457-1546-43c5-a5fe-008deee3d3f0}"},
    {"Windows7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
    {"Windows8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},
    {"Windows8_1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
    {"Windows10And11", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
};

void PrintTo(const System& system, std::ostream* out) { *out << system.name; }

std::string InstallerPath() { return BesideThisProgram("tvisupgrade.exe"); }

// The text of the program's manifest (RT_MANIFEST 1), or "" when it has none.
std::string ManifestText(const std::string& program) {
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr) return "";
    std::string text;
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(1), RT_MANIFEST);
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const char* bytes =
        loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes != nullptr) text.assign(bytes, SizeofResource(module, resource));
    FreeLibrary(module);
    return text;
}

// The program's activation context as the loader makes it from that manifest.
class ActivationContext {
public:
    explicit ActivationContext(const std::string& program) {
        ACTCTXA request = {};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
        request.lpSource = program.c_str();
        request.lpResourceName = MAKEINTRESOURCEA(1);
        context_ = CreateActCtxA(&request);
    }
    ~ActivationContext() {
        if (context_ != INVALID_HANDLE_VALUE) ReleaseActCtx(context_);
    }
    ActivationContext(const ActivationContext&) = delete;
    ActivationContext& operator=(const ActivationContext&) = delete;

    bool valid() const { return context_ != INVALID_HANDLE_VALUE; }

    // The information of class `what`, or empty when the system gives none.
    std::vector<BYTE> Query(ACTIVATION_CONTEXT_INFO_CLASS what) const {
        SIZE_T needed = 0;
        QueryActCtxW(0, context_, nullptr, what, nullptr, 0, &needed);
        std::vector<BYTE> information(needed);
        if (needed == 0 ||
            !QueryActCtxW(0, context_, nullptr, what, information.data(), needed, &needed)) {
            information.clear();
        }
        return information;
    }

private:
    HANDLE context_ = INVALID_HANDLE_VALUE;
};

std::string GuidText(const GUID& guid) {
    char text[40];
    snprintf(text, sizeof text, "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
             static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
             guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
             guid.Data4[6], guid.Data4[7]);
    return text;
}

// The answer to CompatibilityInformationInActivationContext is a count and the elements.
// It has two layouts: Windows 7 and 8 give {GUID, type} elements right after the count,
// Windows 10 and Wine add a 64-bit MaxVersionTested to each, which aligns them to 8 bytes
// (the mingw-w64 headers know only the first). The answer's size tells them apart.
struct ElementV7 {
    GUID id;
    ACTCTX_COMPATIBILITY_ELEMENT_TYPE type;
};
struct ElementV10 {
    GUID id;
    ACTCTX_COMPATIBILITY_ELEMENT_TYPE type;
    ULONGLONG maxVersionTested;
};

// The OS elements' GUIDs when the answer has this layout; false when it has not.
template <typename Element>
bool ReadOsElements(const std::vector<BYTE>& answer, std::vector<std::string>* ids) {
    DWORD count = 0;
    std::memcpy(&count, answer.data(), sizeof count);
    const size_t start = std::max(sizeof count, alignof(Element));
    if (answer.size() != start + size_t{count} * sizeof(Element)) return false;
    for (DWORD i = 0; i < count; ++i) {
        Element element;
        std::memcpy(&element, answer.data() + start + i * sizeof(Element), sizeof element);
        if (element.type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS) {
            ids->push_back(GuidText(element.id));
        }
    }
    return true;
}

// The systems the activation context holds as supported, in lower case.
std::vector<std::string> ContextSystems(const ActivationContext& context) {
    std::vector<BYTE> answer = context.Query(CompatibilityInformationInActivationContext);
    std::vector<std::string> ids;
    if (answer.size() < sizeof(DWORD)) return ids;
    if (!ReadOsElements<ElementV10>(answer, &ids)) ReadOsElements<ElementV7>(answer, &ids);
    return ids;
}

bool Holds(const std::vector<std::string>& ids, const char* id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

class DeclaredSystem : public ::testing::TestWithParam<System> {};

TEST_P(DeclaredSystem, InTheManifestsCompatibilitySection) {
    ManifestFacts facts = ReadManifest(ManifestText(InstallerPath()));
    ASSERT_TRUE(facts.wellFormed);
    EXPECT_TRUE(Holds(facts.supportedOs, GetParam().id)) << GetParam().id;
}

TEST_P(DeclaredSystem, InTheActivationContext) {
    ActivationContext context(InstallerPath());
    ASSERT_TRUE(context.valid()) << "error " << GetLastError();
    EXPECT_TRUE(Holds(ContextSystems(context), GetParam().id)) << GetParam().id;
}

INSTANTIATE_TEST_SUITE_P(Installer, DeclaredSystem, ::testing::ValuesIn(kSystems),
                         [](const ::testing::TestParamInfo<System>& info) {
                             return std::string(info.param.name);
                         });

TEST(InstallerManifest, RunsAsInvokerWithoutUiAccess) {
    ManifestFacts facts = ReadManifest(ManifestText(InstallerPath()));
    ASSERT_TRUE(facts.wellFormed);
    EXPECT_EQ("asInvoker", facts.executionLevel);
    EXPECT_EQ("false", facts.uiAccess);

    ActivationContext context(InstallerPath());
    ASSERT_TRUE(context.valid()) << "error " << GetLastError();
    std::vector<BYTE> information = context.Query(RunlevelInformationInActivationContext);
    ASSERT_GE(information.size(), sizeof(ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION));
    const auto* runLevel =
        reinterpret_cast<const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(information.data());
    EXPECT_EQ(ACTCTX_RUN_LEVEL_AS_INVOKER, runLevel->RunLevel);
    EXPECT_EQ(0u, runLevel->UiAccess);
}

}  // namespace
