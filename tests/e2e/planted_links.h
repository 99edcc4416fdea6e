// Links planted under a name the installer writes, made as someone who may create files
// there makes them: a hard link and a Windows symbolic link by the Win32 calls, and a
// symbolic link from the unix side, which Wine follows as the file it points to. Windows
// builds only; the unix links under Wine only.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/file_size_limit.h"

inline testing::AssertionResult MakeHardLink(const std::string& link, const std::string& target) {
    if (CreateHardLinkA(link.c_str(), target.c_str(), nullptr)) return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "CreateHardLinkA " << link << " -> " << target << ": error " << GetLastError();
}

// A unix symbolic link at `link` to `target` (Windows paths; the target need not exist).
inline testing::AssertionResult MakeUnixSymbolicLink(const std::string& link,
                                                     const std::string& target) {
    const std::string unixLink = UnixPath(link);
    const std::string unixTarget = UnixPath(target);
    if (unixLink.empty() || unixTarget.empty()) {
        return testing::AssertionFailure() << "no unix path for " << link << " or " << target;
    }
    return RunUnixCommand({"ln", "-s", unixTarget, unixLink});
}

// Whether CreateSymbolicLinkA made a symbolic link at `link` to `target`: Wine 8 answers
// TRUE and makes nothing, and Windows makes one only with the privilege or in developer
// mode.
inline bool MakeWindowsSymbolicLink(const std::string& link, const std::string& target) {
    CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    DWORD attributes = GetFileAttributesA(link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
