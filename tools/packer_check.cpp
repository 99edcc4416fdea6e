// The installer's packer told by its bytes; see packer_check.h.
#include "tools/packer_check.h"

#include <cstring>
#include <vector>

#include "payload/carried_files.h"
#include "payload/integrity_block.h"
#include "payload/szdd.h"
#include "payload/trailer.h"
#include "support/crc32.h"
#include "tools/file_io.h"
#include "tools/inspect.h"

namespace {

PackerCheck NotChecked(const std::string& why) {
    PackerCheck check;
    check.why = why;
    return check;
}

PackerCheck Differs(const std::string& why) {
    PackerCheck check;
    check.checked = true;
    check.why = why;
    return check;
}

// Whether some stub length gives this layout: the zero filler before the integrity block
// must be exactly what PlanPayload gives for a stub of that length. The stub's own last
// bytes may be zeros too (and below the minimum length many stub lengths give one
// layout), so every length from the first of the trailing zeros to the block is tried.
bool SomeStubGivesLayout(const uint8_t* image, uint64_t blockStart, const uint64_t* sizes,
                         uint64_t payloadStart) {
    // No plan pads more than the minimum length and the alignment.
    const uint64_t longestFiller = kMinInstallerLength + 8;
    const uint64_t lowest = blockStart > longestFiller ? blockStart - longestFiller : 0;
    uint64_t zerosFrom = blockStart;
    while (zerosFrom > lowest && image[zerosFrom - 1] == 0) --zerosFrom;
    for (uint64_t stubLength = zerosFrom; stubLength <= blockStart; ++stubLength) {
        PayloadPlan plan;
        PlanPayload(stubLength, sizes, &plan, kIntegrityBlockSize);
        if (plan.payloadStart == payloadStart) return true;
    }
    return false;
}

}  // namespace

PackerCheck CheckPacker(const uint8_t* image, uint64_t length, const InstallerReport& report) {
    if (report.code != kPayloadOk || !report.AllFilesDecode()) {
        return NotChecked("not rebuilt: the installer is not sound");
    }
    const PayloadTrailer& trailer = report.trailer.fields;
    if (!report.integrity.present) {
        return Differs(
            "no integrity block before the payload (an older tvispack or another "
            "packer)");
    }
    // Each carried file as this tvispack compresses it.
    uint64_t sizes[kPayloadFileCount];
    uint32_t crcs[kPayloadFileCount];
    for (int k = 0; k < kPayloadFileCount; ++k) {
        const PayloadFileReport& file = report.files[static_cast<size_t>(k)];
        const std::vector<uint8_t> encoded =
            EncodeSzdd(file.decoded.data(), file.decoded.size(),
                       SzddLastNameChar(kCarriedFiles[k].productName));
        uint64_t at = 0;
        if (FirstDifference(image + file.offset, file.size, encoded.data(), encoded.size(), &at)) {
            const bool inBoth = at < file.size && at < encoded.size();
            return Differs(std::string(kCarriedFiles[k].compressedName) +
                           " is not compressed as this tvispack compresses it: " +
                           (inBoth ? "first difference at its byte " + Thousands(at)
                                   : Thousands(file.size) + " bytes where this tvispack writes " +
                                         Thousands(encoded.size())));
        }
        sizes[k] = file.size;
        crcs[k] = Crc32(encoded.data(), encoded.size());
    }
    const uint64_t blockStart = trailer.payloadStart - kIntegrityBlockSize;
    const auto block = EncodeIntegrityBlock(crcs);
    if (std::memcmp(image + blockStart, block.data(), block.size()) != 0) {
        return Differs("the integrity block is not the one this tvispack writes");
    }
    if (!SomeStubGivesLayout(image, blockStart, sizes, trailer.payloadStart)) {
        return Differs(
            "the filler before the integrity block is not the zeros this tvispack "
            "writes for any stub length");
    }
    // The trailer the layout's rules accepted is the only one the plan allows; the file's
    // end (or, when signed, where the payload ends) is where this tvispack ends it.
    uint8_t expected[kTrailerSize];
    EncodeTrailer(trailer.payloadStart, trailer.firstSize, trailer.secondSize, trailer.thirdSize,
                  expected);
    const uint64_t end = report.signature.payloadEnd;
    if (end < kTrailerSize || end > length ||
        std::memcmp(image + end - kTrailerSize, expected, kTrailerSize) != 0) {
        return Differs("the trailer is not the one this tvispack writes");
    }
    PackerCheck check;
    check.checked = true;
    check.matches = true;
    return check;
}
