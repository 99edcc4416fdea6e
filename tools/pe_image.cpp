// The PE headers and the resource directory; see pe_image.h.
#include "tools/pe_image.h"

#include <cstdio>

#include "payload/byte_order.h"

namespace {

constexpr uint16_t kFileIsDll = 0x2000;
constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kSectionHeaderSize = 40;
// The loader's own limit on sections.
constexpr uint32_t kMaxSections = 96;
constexpr uint32_t kResourceTypeVersion = 16;
constexpr uint32_t kSubdirectoryFlag = 0x80000000u;

// The image and its section table, to map RVAs to file offsets.
struct Sections {
    const uint8_t* image;
    uint64_t length;
    uint64_t table;
    uint32_t count;

    // The file offset of `size` bytes at `rva`, when they lie inside one section's raw
    // data and inside the image; false otherwise.
    bool Map(uint64_t rva, uint64_t size, uint64_t* offset) const {
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* section = image + table + uint64_t{i} * kSectionHeaderSize;
            const uint64_t address = ReadLe32(section + 12);
            const uint64_t rawSize = ReadLe32(section + 16);
            const uint64_t rawOffset = ReadLe32(section + 20);
            if (rva < address || rva - address >= rawSize) continue;
            if (!Inside(rva - address, size, rawSize)) return false;
            *offset = rawOffset + (rva - address);
            return Inside(*offset, size, length);
        }
        return false;
    }
};

// The entry of a resource directory (at `directoryRva`) with the id `id`, or with any
// name or id when `id` is negative (the first one); its OffsetToData, or false.
bool FindResourceEntry(const Sections& sections, uint64_t directoryRva, int64_t id,
                       uint32_t* offsetToData) {
    uint64_t at = 0;
    if (!sections.Map(directoryRva, 16, &at)) return false;
    const uint32_t named = ReadLe16(sections.image + at + 12);
    const uint32_t ids = ReadLe16(sections.image + at + 14);
    const uint32_t entries = named + ids;
    for (uint32_t i = 0; i < entries; ++i) {
        uint64_t entry = 0;
        if (!sections.Map(directoryRva + 16 + uint64_t{i} * 8, 8, &entry)) return false;
        const uint32_t name = ReadLe32(sections.image + entry);
        const bool isId = (name & kSubdirectoryFlag) == 0;
        if (id < 0 || (isId && name == static_cast<uint64_t>(id))) {
            *offsetToData = ReadLe32(sections.image + entry + 4);
            return true;
        }
    }
    return false;
}

// The version resource's place: type 16, its first name, its first language. Three fixed
// levels, each a lookup in one directory, so a directory that points at itself cannot
// make this loop.
void FindVersionResource(const Sections& sections, uint64_t rootRva, PeHeaders* headers) {
    uint32_t type = 0;
    uint32_t name = 0;
    uint32_t language = 0;
    if (!FindResourceEntry(sections, rootRva, kResourceTypeVersion, &type) ||
        !(type & kSubdirectoryFlag) ||
        !FindResourceEntry(sections, rootRva + (type & ~kSubdirectoryFlag), -1, &name) ||
        !(name & kSubdirectoryFlag) ||
        !FindResourceEntry(sections, rootRva + (name & ~kSubdirectoryFlag), -1, &language) ||
        (language & kSubdirectoryFlag)) {
        return;
    }
    uint64_t dataEntry = 0;
    if (!sections.Map(rootRva + language, 16, &dataEntry)) return;
    const uint32_t dataRva = ReadLe32(sections.image + dataEntry);
    const uint32_t dataSize = ReadLe32(sections.image + dataEntry + 4);
    uint64_t data = 0;
    if (dataSize == 0 || !sections.Map(dataRva, dataSize, &data)) return;
    headers->versionOffset = data;
    headers->versionSize = dataSize;
}

}  // namespace

std::string PeMachineName(uint16_t machine) {
    if (machine == kPeMachineI386) return "x86";
    if (machine == kPeMachineAmd64) return "x64";
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", static_cast<unsigned>(machine));
    return hex;
}

PeHeaders ReadPeHeaders(const uint8_t* image, uint64_t length) {
    PeHeaders headers;
    if (image == nullptr || !Inside(0, kLfanewOffset + 4, length) || image[0] != 'M' ||
        image[1] != 'Z') {
        headers.notPe = "it does not start with \"MZ\"";
        return headers;
    }
    const uint64_t pe = ReadLe32(image + kLfanewOffset);
    if (!Inside(pe, 24, length) || image[pe] != 'P' || image[pe + 1] != 'E' || image[pe + 2] != 0 ||
        image[pe + 3] != 0) {
        headers.notPe = "an MZ header without a PE signature where it points";
        return headers;
    }
    headers.machine = ReadLe16(image + pe + 4);
    const uint32_t sectionCount = ReadLe16(image + pe + 6);
    const uint64_t optionalSize = ReadLe16(image + pe + 20);
    headers.dll = (ReadLe16(image + pe + 22) & kFileIsDll) != 0;
    const uint64_t optional = pe + 24;
    if (!Inside(optional, optionalSize, length) || optionalSize < 70) {
        headers.notPe = "a PE header without a whole optional header";
        return headers;
    }
    headers.magic = ReadLe16(image + optional);
    uint64_t countField = 0;
    if (headers.magic == kPe32Magic) {
        countField = 92;
    } else if (headers.magic == kPe32PlusMagic) {
        countField = 108;
    } else {
        headers.notPe = "a PE header of an unknown kind";
        return headers;
    }
    headers.subsystem = ReadLe16(image + optional + 68);

    const uint64_t table = optional + optionalSize;
    if (sectionCount > kMaxSections ||
        !Inside(table, uint64_t{sectionCount} * kSectionHeaderSize, length) ||
        countField + 4 > optionalSize) {
        return headers;  // a program, but no resources that can be read
    }
    const uint32_t directories = ReadLe32(image + optional + countField);
    const uint64_t entry = countField + 4 + uint64_t{kResourceDirectory} * 8;
    if (directories <= kResourceDirectory || entry + 8 > optionalSize) return headers;
    const uint32_t rootRva = ReadLe32(image + optional + entry);
    if (rootRva == 0) return headers;
    const Sections sections = {image, length, table, sectionCount};
    FindVersionResource(sections, rootRva, &headers);
    return headers;
}
