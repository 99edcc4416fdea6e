// Opening a file by its name without being led elsewhere by a link at that name: the
// checks that keep the installer, which may run with more rights than the programs around
// it, from writing through a hard link, a symbolic link or a reparse point that someone
// planted under a name it writes (the log in the root of C:, where any user may create
// files). Win32.
#pragma once

#include <windows.h>

// Opens `path` (an absolute or relative ANSI path) with `access` and `share`, without
// following a reparse point at its last component, and returns the handle only when
// IsUnlinked holds for it; INVALID_HANDLE_VALUE when the file is missing (and `create` is
// false), cannot be opened, or is reached through a link. With `create` a missing file is
// created new, never through a dangling link under the name. The caller closes the handle.
HANDLE OpenUnlinked(const char* path, DWORD access, DWORD share, bool create);

// Whether the open file is a plain file known by one name only, and that name is `path`
// itself: one hard link, no reparse point, no folder, and the file lies in `path`'s folder
// under `path`'s last component. The handle needs FILE_READ_ATTRIBUTES.
bool IsUnlinked(HANDLE file, const char* path);
