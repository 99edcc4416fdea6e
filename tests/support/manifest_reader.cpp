// Reading an application manifest; see manifest_reader.h.
#include "tests/support/manifest_reader.h"

#include <cctype>
#include <cstring>
#include <map>

namespace {

const char* const kSupportedOsPath = "assembly/compatibility/application/supportedOS";
const char* const kExecutionLevelPath =
    "assembly/trustInfo/security/requestedPrivileges/requestedExecutionLevel";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string WithoutPrefix(const std::string& name) {
    size_t colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || c == '-' ||
           c == '.';
}

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    ManifestFacts Read() {
        bool sawRoot = false;
        while (ok_) {
            size_t open = text_.find('<', at_);
            if (open == std::string::npos) break;
            at_ = open;
            if (Skip("<!--", "-->") || Skip("<?", "?>")) continue;
            if (Starts("<!")) return Fail();
            if (Starts("</")) {
                CloseElement();
            } else {
                if (path_.empty() && sawRoot) return Fail();
                sawRoot = true;
                OpenElement();
            }
        }
        facts_.wellFormed = ok_ && sawRoot && path_.empty();
        return facts_;
    }

private:
    bool Starts(const char* prefix) const {
        return text_.compare(at_, std::strlen(prefix), prefix) == 0;
    }

    // Skips a construct from `start` to `end` when it begins here; a missing end is a fault.
    bool Skip(const char* start, const char* end) {
        if (!Starts(start)) return false;
        size_t close = text_.find(end, at_ + std::strlen(start));
        if (close == std::string::npos) {
            Fail();
        } else {
            at_ = close + std::strlen(end);
        }
        return true;
    }

    ManifestFacts Fail() {
        ok_ = false;
        return facts_;
    }

    void SkipSpace() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }

    std::string Name() {
        size_t start = at_;
        while (at_ < text_.size() && IsNameChar(text_[at_])) ++at_;
        return text_.substr(start, at_ - start);
    }

    void CloseElement() {
        at_ += 2;
        std::string name = WithoutPrefix(Name());
        SkipSpace();
        if (path_.empty() || path_.back() != name || at_ >= text_.size() || text_[at_] != '>') {
            Fail();
            return;
        }
        ++at_;
        path_.pop_back();
    }

    void OpenElement() {
        ++at_;
        std::string name = WithoutPrefix(Name());
        if (name.empty()) {
            Fail();
            return;
        }
        std::map<std::string, std::string> attributes;
        for (;;) {
            SkipSpace();
            if (at_ >= text_.size()) {
                Fail();
                return;
            }
            if (text_[at_] == '>' || Starts("/>")) break;
            std::string attribute = Name();
            SkipSpace();
            if (attribute.empty() || at_ >= text_.size() || text_[at_] != '=') {
                Fail();
                return;
            }
            ++at_;
            SkipSpace();
            char quote = at_ < text_.size() ? text_[at_] : '\0';
            size_t end =
                quote == '"' || quote == '\'' ? text_.find(quote, at_ + 1) : std::string::npos;
            if (end == std::string::npos) {
                Fail();
                return;
            }
            attributes[attribute] = text_.substr(at_ + 1, end - at_ - 1);
            at_ = end + 1;
        }
        bool empty = Starts("/>");
        at_ += empty ? 2 : 1;
        path_.push_back(name);
        Note(attributes);
        if (empty) path_.pop_back();
    }

    void Note(const std::map<std::string, std::string>& attributes) {
        std::string path;
        for (const std::string& name : path_) path += (path.empty() ? "" : "/") + name;
        auto value = [&](const char* name) {
            auto found = attributes.find(name);
            return found == attributes.end() ? std::string() : found->second;
        };
        if (path == kSupportedOsPath) facts_.supportedOs.push_back(Lower(value("Id")));
        if (path == kExecutionLevelPath) {
            facts_.executionLevel = value("level");
            facts_.uiAccess = value("uiAccess");
        }
    }

    const std::string& text_;
    size_t at_ = 0;
    bool ok_ = true;
    std::vector<std::string> path_;
    ManifestFacts facts_;
};

}  // namespace

ManifestFacts ReadManifest(const std::string& text) { return Reader(text).Read(); }
