// SZDD encoder (mode 'A') with a cost-optimal parse.
//
// Every match costs the same (one flag bit and 16 bits) and every literal too (one flag
// bit and 8 bits), so the best parse only needs, at each position, the longest match the
// window offers (any shorter length from the same source is then available too):
//
// 1. Matches. The data is viewed behind 4096 spaces (the window's initial content), so a
//    match into the initial spaces is an ordinary match into that prefix. A binary-tree
//    match finder (one tree per 3-byte hash, as in LZMA's BT finders) over the last 4096
//    positions gives the exact longest match (up to 18) at every position; the last 17
//    positions, where fewer than 18 bytes remain, are searched directly.
// 2. Parse. A backwards pass finds, for each position, the cheapest way to the end:
//    cost[i] = min(9 + cost[i + 1], 17 + cost[i + l] for l = 3..longest[i]).
// 3. Output. The chosen tokens are written forwards, eight per flag byte.
#include <algorithm>
#include <cstring>

#include "payload/byte_order.h"
#include "payload/szdd.h"

namespace {

constexpr uint32_t kLiteralBits = 9;                                  // flag bit + byte
constexpr uint32_t kMatchBits = 17;                                   // flag bit + two bytes
constexpr uint32_t kPrefix = static_cast<uint32_t>(kSzddWindowSize);  // spaces before the data
constexpr uint32_t kCyclic = kPrefix + 1;  // positions a match may reach back: 1..4096
constexpr uint32_t kEmpty = 0xFFFFFFFFu;
constexpr uint32_t kHashBits = 16;

inline uint32_t Hash3(const uint8_t* p) {
    uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                 static_cast<uint32_t>(p[2]) << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
}

// Binary-tree match finder over buf (spaces prefix + data), for positions that have at
// least kSzddMaxMatch bytes after them. Positions must be inserted in increasing order.
class TreeMatchFinder {
public:
    explicit TreeMatchFinder(const uint8_t* buf)
        : buf_(buf), head_(size_t{1} << kHashBits, kEmpty), son_(2 * size_t{kCyclic}, kEmpty) {}

    // Inserts `pos` and returns the longest match before it (length 0 when none of at
    // least 1 byte is found) and its distance.
    void Insert(uint32_t pos, uint32_t* bestLength, uint32_t* bestDistance) {
        const uint32_t limit = kSzddMaxMatch;
        const uint8_t* cur = buf_ + pos;
        uint32_t h = Hash3(cur);
        uint32_t candidate = head_[h];
        head_[h] = pos;
        uint32_t cyclicPos = pos % kCyclic;
        uint32_t* ptr0 = &son_[2 * size_t{cyclicPos} + 1];
        uint32_t* ptr1 = &son_[2 * size_t{cyclicPos}];
        uint32_t len0 = 0;
        uint32_t len1 = 0;
        uint32_t maxLength = 0;
        uint32_t maxDistance = 0;
        for (;;) {
            if (candidate == kEmpty || pos - candidate >= kCyclic) {
                *ptr0 = *ptr1 = kEmpty;
                break;
            }
            uint32_t delta = pos - candidate;
            uint32_t slot = cyclicPos >= delta ? cyclicPos - delta : cyclicPos + kCyclic - delta;
            uint32_t* pair = &son_[2 * size_t{slot}];
            const uint8_t* pb = cur - delta;
            uint32_t len = std::min(len0, len1);
            if (pb[len] == cur[len]) {
                while (++len != limit && pb[len] == cur[len]) {
                }
                if (len > maxLength) {
                    maxLength = len;
                    maxDistance = delta;
                    if (len == limit) {
                        // Same 18 bytes as the candidate: the newer position replaces it.
                        *ptr1 = pair[0];
                        *ptr0 = pair[1];
                        break;
                    }
                }
            }
            if (pb[len] < cur[len]) {
                *ptr1 = candidate;
                ptr1 = pair + 1;
                candidate = *ptr1;
                len1 = len;
            } else {
                *ptr0 = candidate;
                ptr0 = pair;
                candidate = *ptr0;
                len0 = len;
            }
        }
        *bestLength = maxLength;
        *bestDistance = maxDistance;
    }

private:
    const uint8_t* buf_;
    std::vector<uint32_t> head_;
    std::vector<uint32_t> son_;
};

// Longest match at pos by direct comparison with every position in the window, at most
// `limit` bytes.
void SearchDirect(const uint8_t* buf, uint32_t pos, uint32_t limit, uint32_t* bestLength,
                  uint32_t* bestDistance) {
    *bestLength = 0;
    *bestDistance = 0;
    uint32_t reach = std::min(pos, kPrefix);
    for (uint32_t d = 1; d <= reach; ++d) {
        uint32_t len = 0;
        while (len < limit && buf[pos - d + len] == buf[pos + len]) ++len;
        if (len > *bestLength) {
            *bestLength = len;
            *bestDistance = d;
            if (len == limit) break;
        }
    }
}

// The longest match at each data position: its length (0 when none) and its distance
// minus 1 (0..4095). `buf` is the data behind the window's initial spaces.
struct Matches {
    std::vector<uint8_t> longest;
    std::vector<uint16_t> distance;
};

// Step 1: the exact longest match at every data position.
Matches FindLongestMatches(const std::vector<uint8_t>& buf, uint32_t n) {
    Matches matches;
    matches.longest.resize(n);
    matches.distance.resize(n);
    auto keep = [&](uint32_t pos, uint32_t length, uint32_t dist) {
        matches.longest[pos - kPrefix] = static_cast<uint8_t>(length);
        matches.distance[pos - kPrefix] = static_cast<uint16_t>(dist - (dist > 0 ? 1 : 0));
    };
    const uint32_t total = kPrefix + n;
    const uint32_t treeEnd = total >= kSzddMaxMatch ? total - kSzddMaxMatch + 1 : 0;
    TreeMatchFinder finder(buf.data());
    uint32_t length = 0;
    uint32_t dist = 0;
    // The spaces go into the tree too, so that the data's first bytes can match them.
    for (uint32_t pos = 0; pos < treeEnd; ++pos) {
        finder.Insert(pos, &length, &dist);
        if (pos >= kPrefix) keep(pos, length, dist);
    }
    for (uint32_t pos = std::max(treeEnd, kPrefix); pos < total; ++pos) {
        SearchDirect(buf.data(), pos, total - pos, &length, &dist);
        keep(pos, length, dist);
    }
    return matches;
}

// Step 2: backwards, the cheapest cost from each position to the end and the step taken
// there (1 a literal, 3..18 a match of that length). Returns the steps; *bits the cost of
// the whole parse.
std::vector<uint8_t> ChooseSteps(const std::vector<uint8_t>& longest, uint32_t* bits) {
    const uint32_t n = static_cast<uint32_t>(longest.size());
    std::vector<uint32_t> cost(size_t{n} + 1);
    std::vector<uint8_t> step(n);
    cost[n] = 0;
    for (uint32_t i = n; i-- > 0;) {
        uint32_t best = kLiteralBits + cost[i + 1];
        uint32_t bestStep = 1;
        for (uint32_t l = kSzddMinMatch; l <= longest[i]; ++l) {
            uint32_t c = kMatchBits + cost[i + l];
            if (c < best) {
                best = c;
                bestStep = l;
            }
        }
        cost[i] = best;
        step[i] = static_cast<uint8_t>(bestStep);
    }
    *bits = cost[0];
    return step;
}

// Step 3: forwards, the header, then the chosen tokens, eight per flag byte.
std::vector<uint8_t> WriteTokens(const uint8_t* data, uint32_t n, uint8_t lastChar,
                                 const std::vector<uint8_t>& step,
                                 const std::vector<uint16_t>& distance, uint32_t bits) {
    std::vector<uint8_t> out(kSzddHeaderSize);
    out.reserve(kSzddHeaderSize + bits / 8 + 2);
    std::memcpy(out.data(), kSzddMagic, sizeof kSzddMagic);
    out[offsetof(SzddRawHeader, mode)] = kSzddModeA;
    out[offsetof(SzddRawHeader, lastChar)] = lastChar;
    WriteLe32(out.data() + offsetof(SzddRawHeader, length), n);
    size_t flagAt = 0;
    unsigned flagBit = 8;
    for (uint32_t i = 0; i < n;) {
        if (flagBit == 8) {
            flagAt = out.size();
            out.push_back(0);
            flagBit = 0;
        }
        uint32_t l = step[i];
        if (l == 1) {
            out[flagAt] = static_cast<uint8_t>(out[flagAt] | 1u << flagBit);
            out.push_back(data[i]);
        } else {
            // The source lies distance[i] + 1 bytes back; its window position follows
            // from the write position of data byte i, (i + 4080) mod 4096.
            uint32_t d = uint32_t{distance[i]} + 1;
            uint32_t position =
                (i + kSzddWindowStart + kSzddWindowSize - d) & (kSzddWindowSize - 1);
            out.push_back(static_cast<uint8_t>(position));
            out.push_back(static_cast<uint8_t>((position >> 4 & 0xF0u) | (l - kSzddMinMatch)));
        }
        ++flagBit;
        i += l;
    }
    return out;
}

}  // namespace

std::vector<uint8_t> EncodeSzdd(const uint8_t* data, size_t size, uint8_t lastChar) {
    const uint32_t n = static_cast<uint32_t>(size);
    std::vector<uint8_t> buf(kPrefix + size_t{n});
    std::memset(buf.data(), kSzddWindowFill, kPrefix);
    if (n > 0) std::memcpy(buf.data() + kPrefix, data, n);
    const Matches matches = FindLongestMatches(buf, n);
    uint32_t bits = 0;
    const std::vector<uint8_t> step = ChooseSteps(matches.longest, &bits);
    return WriteTokens(data, n, lastChar, step, matches.distance, bits);
}

uint8_t SzddLastNameChar(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() ? 0 : static_cast<uint8_t>(name.back());
}
