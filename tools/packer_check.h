// Which packer wrote an installer, told by its bytes. Nothing in the layout names the tool
// that built it (a record of its own would change every installer's bytes between tvispack
// versions and break the rebuild check of a published installer), but every byte after the
// stub is a function of the three carried files: the zero filler, the integrity block, the
// compressed files and the trailer. So `inspect` rebuilds that part with this tvispack's own
// encoder and layout and says whether the installer is what this tvispack writes, and if
// not, where it parts. Portable.
#pragma once

#include <cstdint>
#include <string>

struct InstallerReport;

struct PackerCheck {
    bool checked = false;  // the installer is sound enough to rebuild (else `why` says why not)
    bool matches = false;  // every byte after the stub is what this tvispack writes
    std::string why;       // when not checked or not matching: the first difference
};

// Rebuilds the part after the stub of an installer `report` describes and compares it with
// `image`. Checked only when the layout is sound and every carried file decodes.
PackerCheck CheckPacker(const uint8_t* image, uint64_t length, const InstallerReport& report);
