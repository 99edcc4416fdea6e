// Test programs with version resources; see test_stub.h.
#include "tests/support/test_stub.h"

#include <cstring>

#include "payload/byte_order.h"
#include "tests/support/installer_image.h"

namespace {

constexpr uint32_t kSectionRva = 0x1000;
constexpr uint32_t kSectionOffset = 0x200;

void Put16(Bytes& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(Bytes& out, uint32_t value) {
    Put16(out, static_cast<uint16_t>(value));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

void PadTo4(Bytes& out) {
    while (out.size() % 4) out.push_back(0);
}

// UTF-8 (BMP only) to UTF-16 units.
std::vector<uint16_t> Utf16(const std::string& text) {
    std::vector<uint16_t> units;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            units.push_back(c);
            i += 1;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
            units.push_back(static_cast<uint16_t>(((c & 0x1F) << 6) | (text[i + 1] & 0x3F)));
            i += 2;
        } else if (i + 2 < text.size()) {
            units.push_back(static_cast<uint16_t>(((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) |
                                                  (text[i + 2] & 0x3F)));
            i += 3;
        } else {
            break;
        }
    }
    return units;
}

void PutText(Bytes& out, const std::string& text) {
    for (uint16_t unit : Utf16(text)) Put16(out, unit);
    Put16(out, 0);
}

// One block: wLength, wValueLength, wType, the key, the value, the children.
Bytes VersionBlock(const std::string& key, const Bytes& value, uint16_t valueLength, bool text,
                   const std::vector<Bytes>& children) {
    Bytes out(6, 0);
    PutText(out, key);
    PadTo4(out);
    out.insert(out.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        PadTo4(out);
        out.insert(out.end(), child.begin(), child.end());
    }
    out[0] = static_cast<uint8_t>(out.size());
    out[1] = static_cast<uint8_t>(out.size() >> 8);
    out[2] = static_cast<uint8_t>(valueLength);
    out[3] = static_cast<uint8_t>(valueLength >> 8);
    out[4] = text ? 1 : 0;
    return out;
}

Bytes FixedFileInfo() {
    Bytes info;
    Put32(info, 0xFEEF04BDu);
    Put32(info, 0x00010000u);
    for (int k = 0; k < 2; ++k) {  // file and product version 1.0.0.0
        Put32(info, 0x00010000u);
        Put32(info, 0);
    }
    for (int k = 0; k < 7; ++k) Put32(info, 0);
    return info;
}

// The resource section: the three directory levels (type 16, name 1, language 0x415), the
// data entry, then the version resource.
Bytes ResourceSection(const Bytes& version) {
    Bytes out;
    auto directory = [&](uint32_t id, uint32_t target) {
        for (int k = 0; k < 3; ++k) Put32(out, 0);
        Put16(out, 0);  // named entries
        Put16(out, 1);  // id entries
        Put32(out, id);
        Put32(out, target);
    };
    directory(16, 0x80000000u | 0x18);
    directory(1, 0x80000000u | 0x30);
    directory(0x415, 0x48);
    Put32(out, kSectionRva + 0x58);
    Put32(out, static_cast<uint32_t>(version.size()));
    Put32(out, 0);
    Put32(out, 0);
    out.insert(out.end(), version.begin(), version.end());
    return out;
}

}  // namespace

Bytes MakeTestVersionResource(const std::vector<std::pair<std::string, std::string>>& strings) {
    std::vector<Bytes> entries;
    for (const auto& entry : strings) {
        Bytes value;
        PutText(value, entry.second);
        entries.push_back(VersionBlock(
            entry.first, value, static_cast<uint16_t>(Utf16(entry.second).size() + 1), true, {}));
    }
    const Bytes table = VersionBlock("041504B0", {}, 0, true, entries);
    const Bytes fileInfo = VersionBlock("StringFileInfo", {}, 0, true, {table});
    Bytes translation;
    Put16(translation, 0x0415);
    Put16(translation, 1200);
    const Bytes var = VersionBlock("Translation", translation, 4, false, {});
    const Bytes varInfo = VersionBlock("VarFileInfo", {}, 0, true, {var});
    return VersionBlock("VS_VERSION_INFO", FixedFileInfo(), 52, false, {fileInfo, varInfo});
}

Bytes MakeTestStub(uint32_t length, const TestStubShape& shape, uint32_t seed) {
    const bool plus = shape.machine == 0x8664;
    Bytes file = MakeTestPe(length < 0x400 ? 0x400 : length, plus);
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = kSectionOffset; i < file.size(); ++i) {
        state = state * 1103515245u + 12345u;
        file[i] = static_cast<uint8_t>(state >> 16);
    }
    const uint32_t pe = kTestPeHeader;
    file[pe + 4] = static_cast<uint8_t>(shape.machine);
    file[pe + 5] = static_cast<uint8_t>(shape.machine >> 8);
    file[pe + 6] = 1;  // one section
    const uint16_t flags = static_cast<uint16_t>(0x0002 | (shape.dll ? 0x2000 : 0));
    file[pe + 22] = static_cast<uint8_t>(flags);
    file[pe + 23] = static_cast<uint8_t>(flags >> 8);
    const uint32_t optional = pe + 24;
    file[optional + 68] = static_cast<uint8_t>(shape.subsystem);
    file[optional + 69] = static_cast<uint8_t>(shape.subsystem >> 8);

    const Bytes section = ResourceSection(
        shape.versionResource ? MakeTestVersionResource(shape.strings) : Bytes(16, 0));
    const uint32_t rawSize = static_cast<uint32_t>((section.size() + 0x1FF) & ~size_t{0x1FF});
    if (kSectionOffset + rawSize > file.size()) file.resize(kSectionOffset + rawSize);
    std::memcpy(file.data() + kSectionOffset, section.data(), section.size());
    std::memset(file.data() + kSectionOffset + section.size(), 0, rawSize - section.size());
    const uint32_t directories = optional + (plus ? 112 : 96);
    WriteLe32(file.data() + directories + 2 * 8, kSectionRva);
    WriteLe32(file.data() + directories + 2 * 8 + 4, static_cast<uint32_t>(section.size()));
    const uint32_t header = optional + (plus ? 0xF0 : 0xE0);
    std::memcpy(file.data() + header, ".rsrc\0\0\0", 8);
    WriteLe32(file.data() + header + 8, static_cast<uint32_t>(section.size()));
    WriteLe32(file.data() + header + 12, kSectionRva);
    WriteLe32(file.data() + header + 16, rawSize);
    WriteLe32(file.data() + header + 20, kSectionOffset);
    return file;
}
