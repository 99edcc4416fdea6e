// VS_VERSIONINFO; see version_resource.h.
#include "tools/version_resource.h"

#include "payload/byte_order.h"

namespace {

constexpr uint32_t kFixedInfoSignature = 0xFEEF04BDu;
constexpr uint32_t kFixedInfoSize = 52;
constexpr uint32_t kBlockHeaderSize = 6;

uint32_t Align4(uint32_t offset) { return (offset + 3u) & ~3u; }

void AppendUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
        *out += static_cast<char>(code);
    } else if (code < 0x800) {
        *out += static_cast<char>(0xC0 | (code >> 6));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *out += static_cast<char>(0xE0 | (code >> 12));
        *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (code >> 18));
        *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16 text from `begin` up to its NUL or `end`, at most kMaxVersionTextUnits units, as
// UTF-8 (an unpaired surrogate as U+FFFD); *next is the unit after the NUL (or `end`).
std::string ReadText(const uint8_t* bytes, uint32_t begin, uint32_t end, uint32_t* next) {
    std::string text;
    uint32_t at = begin;
    size_t units = 0;
    while (at + 2 <= end) {
        uint32_t unit = ReadLe16(bytes + at);
        at += 2;
        if (unit == 0) break;
        if (++units > kMaxVersionTextUnits) continue;  // keep looking for the NUL
        if (unit >= 0xD800 && unit < 0xDC00 && at + 2 <= end) {
            const uint32_t low = ReadLe16(bytes + at);
            if (low >= 0xDC00 && low < 0xE000) {
                at += 2;
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            } else {
                unit = 0xFFFD;
            }
        } else if (unit >= 0xD800 && unit < 0xE000) {
            unit = 0xFFFD;
        }
        AppendUtf8(unit, &text);
    }
    *next = at;
    return text;
}

// One block: its key, where its value starts, where its children start, where it ends.
struct Block {
    std::string key;
    uint32_t value = 0;
    uint32_t valueLength = 0;  // wValueLength as stored
    uint32_t children = 0;
    uint32_t end = 0;
};

// The block at `at`, inside [at, limit); false when its length does not fit there.
bool ReadBlock(const uint8_t* bytes, uint32_t at, uint32_t limit, Block* block) {
    if (at > limit || limit - at < kBlockHeaderSize) return false;
    const uint32_t length = ReadLe16(bytes + at);
    if (length < kBlockHeaderSize || length > limit - at) return false;
    block->end = at + length;
    block->valueLength = ReadLe16(bytes + at + 2);
    uint32_t afterKey = 0;
    block->key = ReadText(bytes, at + kBlockHeaderSize, block->end, &afterKey);
    block->value = Align4(afterKey);
    if (block->value > block->end) block->value = block->end;
    block->children = block->value;
    return true;
}

// The children of `parent`, each passed to `visit` until it returns false.
template <typename Visit>
void ForEachChild(const uint8_t* bytes, const Block& parent, uint32_t first, Visit visit) {
    uint32_t at = first;
    Block child;
    while (ReadBlock(bytes, at, parent.end, &child)) {
        if (!visit(child)) return;
        at = Align4(child.end);
    }
}

void ReadFixedInfo(const uint8_t* bytes, const Block& root, VersionResource* resource) {
    if (root.valueLength < kFixedInfoSize || root.end - root.value < kFixedInfoSize) return;
    const uint8_t* info = bytes + root.value;
    if (ReadLe32(info) != kFixedInfoSignature) return;
    resource->fixedInfo = true;
    const uint32_t offsets[2] = {8, 16};
    uint16_t* versions[2] = {resource->fileVersion, resource->productVersion};
    for (int k = 0; k < 2; ++k) {
        const uint32_t high = ReadLe32(info + offsets[k]);
        const uint32_t low = ReadLe32(info + offsets[k] + 4);
        versions[k][0] = static_cast<uint16_t>(high >> 16);
        versions[k][1] = static_cast<uint16_t>(high);
        versions[k][2] = static_cast<uint16_t>(low >> 16);
        versions[k][3] = static_cast<uint16_t>(low);
    }
}

// The strings of the first table of a StringFileInfo block.
void ReadStringTable(const uint8_t* bytes, const Block& fileInfo, VersionResource* resource) {
    ForEachChild(bytes, fileInfo, fileInfo.children, [&](const Block& table) {
        ForEachChild(bytes, table, table.children, [&](const Block& entry) {
            if (resource->strings.size() >= kMaxVersionStrings) return false;
            uint32_t next = 0;
            // The value runs to the block's end or its NUL, whatever wValueLength says:
            // resource compilers disagree on whether it counts bytes or characters.
            resource->strings.emplace_back(entry.key,
                                           ReadText(bytes, entry.value, entry.end, &next));
            return true;
        });
        return false;  // the first table only
    });
}

}  // namespace

std::string VersionResource::Text(const std::string& key) const {
    for (const auto& entry : strings) {
        if (entry.first == key) return entry.second;
    }
    return std::string();
}

bool VersionResource::Has(const std::string& key) const {
    for (const auto& entry : strings) {
        if (entry.first == key) return true;
    }
    return false;
}

bool ReadVersionResource(const uint8_t* bytes, uint32_t size, VersionResource* resource) {
    *resource = VersionResource();
    Block root;
    if (bytes == nullptr || !ReadBlock(bytes, 0, size, &root) || root.key != "VS_VERSION_INFO") {
        return false;
    }
    ReadFixedInfo(bytes, root, resource);
    const uint32_t children = Align4(root.value + root.valueLength);
    if (children > root.end) return true;
    ForEachChild(bytes, root, children, [&](const Block& child) {
        if (child.key == "StringFileInfo") ReadStringTable(bytes, child, resource);
        return true;
    });
    return true;
}
