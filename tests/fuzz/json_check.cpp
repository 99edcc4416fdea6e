// The strict JSON reader; see json_check.h.
#include "tests/fuzz/json_check.h"

#include <cstdint>

namespace {

class JsonReader {
public:
    JsonReader(const std::string& text, JsonTypes* types) : text_(text), types_(types) {}

    bool Document(std::string* why) {
        SkipSpace();
        bool ok =
            Value(0, "") && (SkipSpace(), at_ == text_.size() || Fail("text after the value"));
        if (!ok) *why = problem_ + " at byte " + std::to_string(at_);
        return ok;
    }

private:
    bool Fail(const char* problem) {
        if (problem_.empty()) problem_ = problem;
        return false;
    }
    int Peek() const { return at_ < text_.size() ? static_cast<uint8_t>(text_[at_]) : -1; }
    bool Take(char c) {
        if (Peek() != static_cast<uint8_t>(c)) return false;
        ++at_;
        return true;
    }
    void SkipSpace() {
        while (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r') ++at_;
    }
    bool Word(const char* word) {
        for (const char* p = word; *p; ++p) {
            if (!Take(*p)) return Fail("a misspelt literal");
        }
        return true;
    }

    // Notes a member's type; the document itself has no path.
    void Note(const std::string& path, const char* type) {
        if (types_ != nullptr && !path.empty()) (*types_)[path].insert(type);
    }

    bool Value(int depth, const std::string& path) {
        if (depth > 64) return Fail("nesting too deep");
        switch (Peek()) {
            case '{':
                Note(path, "object");
                return Object(depth, path);
            case '[':
                Note(path, "array");
                return Array(depth, path);
            case '"':
                Note(path, "string");
                return String();
            case 't':
                Note(path, "boolean");
                return Word("true");
            case 'f':
                Note(path, "boolean");
                return Word("false");
            case 'n':
                Note(path, "null");
                return Word("null");
            default: {
                bool integer = false;
                if (!Number(&integer)) return false;
                Note(path, integer ? "integer" : "number");
                return true;
            }
        }
    }

    bool Object(int depth, const std::string& path) {
        Take('{');
        SkipSpace();
        if (Take('}')) return true;
        do {
            SkipSpace();
            if (Peek() != '"') return Fail("a member without a string name");
            const size_t nameStart = at_ + 1;
            if (!String()) return false;
            // The name as written between its quotes: the names here carry no escapes.
            const std::string name = text_.substr(nameStart, at_ - 1 - nameStart);
            SkipSpace();
            if (!Take(':')) return Fail("a member without ':'");
            SkipSpace();
            if (!Value(depth + 1, path.empty() ? name : path + "." + name)) return false;
            SkipSpace();
        } while (Take(','));
        return Take('}') || Fail("an object without '}'");
    }

    bool Array(int depth, const std::string& path) {
        Take('[');
        SkipSpace();
        if (Take(']')) return true;
        do {
            SkipSpace();
            if (!Value(depth + 1, path + "[]")) return false;
            SkipSpace();
        } while (Take(','));
        return Take(']') || Fail("an array without ']'");
    }

    bool Digits() {
        size_t start = at_;
        while (Peek() >= '0' && Peek() <= '9') ++at_;
        return at_ > start;
    }

    // *integer: the number has neither fraction nor exponent.
    bool Number(bool* integer) {
        Take('-');
        if (Take('0')) {
            if (Peek() >= '0' && Peek() <= '9') return Fail("a number with a leading zero");
        } else if (!Digits()) {
            return Fail("no value");
        }
        *integer = true;
        if (Take('.')) {
            *integer = false;
            if (!Digits()) return Fail("a fraction without digits");
        }
        if (Take('e') || Take('E')) {
            *integer = false;
            if (!Take('+')) Take('-');
            if (!Digits()) return Fail("an exponent without digits");
        }
        return true;
    }

    bool Hex4() {
        for (int i = 0; i < 4; ++i) {
            int c = Peek();
            bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
            if (!hex) return Fail("a \\u escape without four hex digits");
            ++at_;
        }
        return true;
    }

    // One UTF-8 sequence, well-formed by the Unicode standard's table 3-7, that is not a C1
    // control.
    bool Utf8() {
        const int lead = Peek();
        int length = 0;
        int low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return Fail("a byte that starts no UTF-8 sequence");
        }
        ++at_;
        for (int i = 1; i < length; ++i) {
            const int next = Peek();
            if (i == 1 ? next < low || next > high : next < 0x80 || next > 0xBF) {
                return Fail("a malformed UTF-8 sequence");
            }
            if (lead == 0xC2 && next <= 0x9F) return Fail("an unescaped C1 control character");
            ++at_;
        }
        return true;
    }

    bool String() {
        Take('"');
        for (;;) {
            const int c = Peek();
            if (c < 0) return Fail("an unterminated string");
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c < 0x20 || c == 0x7F) return Fail("an unescaped control character");
            if (c == '\\') {
                ++at_;
                const int e = Peek();
                ++at_;
                if (e == 'u') {
                    if (!Hex4()) return false;
                } else if (e < 0 || std::string("\"\\/bfnrt").find(static_cast<char>(e)) ==
                                        std::string::npos) {
                    return Fail("an unknown escape");
                }
            } else if (c >= 0x80) {
                if (!Utf8()) return false;
            } else {
                ++at_;
            }
        }
    }

    const std::string& text_;
    JsonTypes* types_;
    size_t at_ = 0;
    std::string problem_;
};

}  // namespace

bool IsStrictJson(const std::string& text, std::string* why, JsonTypes* types) {
    return JsonReader(text, types).Document(why);
}
