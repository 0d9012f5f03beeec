#include "sim/options.h"

#include <charconv>
#include <functional>

namespace sim {
namespace {

constexpr long kMaxTextBytes = 64L << 20; // a sane bound for \{N}: 64 MB
constexpr int kMaxMenuFill = 100000;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A whole word as a number within [low, high]; false otherwise.
bool ReadNumber(std::string_view word, long low, long high, long& out) {
    long value = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size() || value < low || value > high)
        return false;
    out = value;
    return true;
}

// Boolean options, each with its --no- form.
struct Flag {
    std::string_view name;
    std::function<bool&(Options&)> field;
};

const std::vector<Flag>& Flags() {
    static const std::vector<Flag> flags = {
        {"hidden", [](Options& o) -> bool& { return o.hidden; }},
        {"single-input", [](Options& o) -> bool& { return o.room.singleInput; }},
        {"room-closes-on-text", [](Options& o) -> bool& { return o.room.closesOnText; }},
        {"transfer", [](Options& o) -> bool& { return o.transfer.open; }},
        {"transfer-first", [](Options& o) -> bool& { return o.transfer.first; }},
        {"transfer-single-static", [](Options& o) -> bool& { return o.transfer.singleStatic; }},
        {"lookalike", [](Options& o) -> bool& { return o.transfer.lookalike; }},
    };
    return flags;
}

class Parser {
  public:
    Parser(std::vector<std::string> words, Options& options)
        : words_(std::move(words)), o_(options) {}

    // Returns the error, empty when all words were understood.
    std::string Run() {
        while (at_ < words_.size() && error_.empty())
            Option(words_[at_++]);
        return error_;
    }

  private:
    void Fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
    }

    std::string Value(std::string_view name) {
        if (at_ >= words_.size()) {
            Fail(std::string(name) + " needs a value");
            return {};
        }
        return words_[at_++];
    }

    std::string Text(std::string_view name) {
        std::string error;
        std::string text = DecodeText(Value(name), error);
        if (!error.empty()) Fail(std::string(name) + ": " + error);
        return text;
    }

    int Number(std::string_view name, long low, long high) {
        std::string word = Value(name);
        long value = 0;
        if (error_.empty() && !ReadNumber(word, low, high, value))
            Fail(std::string(name) + " wants a number from " + std::to_string(low) + " to " +
                 std::to_string(high) + ", not '" + word + "'");
        return static_cast<int>(value);
    }

    MenuBarItem* LastSubmenu(std::string_view name) {
        auto& bar = o_.menu.custom;
        if (bar.empty() || !bar.back().hasSubmenu) {
            Fail(std::string(name) + " needs a --menu-bar before it");
            return nullptr;
        }
        return &bar.back();
    }

    bool SetFlag(std::string_view name) {
        std::string_view bare = name.substr(2);
        bool value = true;
        if (bare.starts_with("no-")) {
            bare.remove_prefix(3);
            value = false;
        }
        for (const Flag& flag : Flags()) {
            if (flag.name == bare) {
                flag.field(o_) = value;
                return true;
            }
        }
        return false;
    }

    void Option(std::string_view name);

    std::vector<std::string> words_;
    Options& o_;
    size_t at_ = 0;
    std::string error_;
};

void Parser::Option(std::string_view name) {
    TransferOptions& t = o_.transfer;
    if (name == "--help") {
        o_.help = true;
    } else if (name == "--transcript") {
        o_.transcript = Value(name);
    } else if (name == "--close") {
        o_.close = true;
    } else if (name == "--hang") {
        o_.hangMs = Number(name, 0, 600000);
    } else if (name == "--hang-after-line") {
        o_.hangAfterLineMs = Number(name, 0, 600000);
    } else if (name == "--hang-on") {
        o_.hangOn = Value(name);
        if (o_.hangOn != "text" && o_.hangOn != "enter" && o_.hangOn != "read" &&
            o_.hangOn != "menu")
            Fail("--hang-on wants text, enter, read or menu, not '" + o_.hangOn + "'");
        o_.hangOnMs = Number(name, 0, 600000);
    } else if (name == "--message-log") {
        o_.messageLog = Value(name);
    } else if (name == "--version") {
        static const std::string_view known[] = {"2.5", "3.0", "4.0",     "5.0", "6.0",
                                                 "7.0", "8.0", "unknown", "none"};
        std::string v = Value(name);
        bool ok = false;
        for (std::string_view k : known)
            ok = ok || k == v;
        if (!ok && error_.empty()) Fail("--version does not know '" + v + "'");
        if (ok) o_.menu.version = v;
    } else if (name == "--menu-bar" || name == "--menu-plain") {
        o_.menu.custom.push_back({Text(name), name == "--menu-bar", {}});
    } else if (name == "--menu-item") {
        std::string text = Text(name);
        if (MenuBarItem* bar = LastSubmenu(name)) bar->items.push_back(text);
    } else if (name == "--menu-fill") {
        int n = Number(name, 0, kMaxMenuFill);
        if (MenuBarItem* bar = error_.empty() ? LastSubmenu(name) : nullptr)
            for (int i = 1; i <= n; ++i)
                bar->items.push_back("Item " + std::to_string(i));
    } else if (name == "--menu-bar-fill") {
        int n = Number(name, 0, kMaxMenuFill);
        for (int i = 1; error_.empty() && i <= n; ++i)
            o_.menu.custom.push_back({"Bar " + std::to_string(i), false, {}});
    } else if (name == "--menu-reset") {
        o_.menu.custom.clear();
    } else if (name == "--rooms") {
        o_.room.rooms = Number(name, 0, 2);
    } else if (name == "--decoys") {
        o_.room.decoys = Number(name, 0, 1000);
    } else if (name == "--input") {
        std::string v = Value(name);
        if (v == "first" || v == "second" || v == "auto")
            o_.room.input = v;
        else
            Fail("--input wants first, second or auto, not '" + v + "'");
    } else if (name == "--transfer-file") {
        t.file = Text(name);
    } else if (name == "--transfer-percent") {
        t.percent = Number(name, 0, 100);
    } else if (name == "--transfer-minutes") {
        t.minutes = Number(name, 0, 100000);
    } else if (name == "--transfer-speed") {
        t.speed = Number(name, 0, 100);
    } else if (name == "--transfer-caption") {
        t.caption = Text(name);
        t.hasCaption = true;
    } else if (name == "--transfer-static1") {
        t.static1 = Text(name);
        t.hasStatic1 = true;
    } else if (name == "--transfer-static2") {
        t.static2 = Text(name);
        t.hasStatic2 = true;
    } else if (name == "--transfer-caption-extra") {
        t.captionExtra = Number(name, 0, 0x7FFFFFFF);
    } else if (name == "--transfer-static1-extra") {
        t.static1Extra = Number(name, 0, 0x7FFFFFFF);
    } else if (name == "--transfer-close-after") {
        if (at_ < words_.size() && words_[at_] == "never") {
            ++at_;
            t.closeAfterReads = -1;
        } else {
            t.closeAfterReads = Number(name, 0, 1000000);
        }
    } else if (name == "--transfer-reset") {
        t = TransferOptions{};
    } else if (name == "--lookalike-caption") {
        t.lookalikeCaption = Text(name);
        t.lookalike = true;
    } else if (name == "--lookalike-static") {
        t.lookalikeStatic = Text(name);
        t.lookalike = true;
    } else if (!name.starts_with("--") || !SetFlag(name)) {
        Fail("unknown option '" + std::string(name) + "'");
    }
}

} // namespace

std::vector<std::string> SplitWords(std::string_view text, std::string& error) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == '\\' && (next == '"' || next == '\\')) {
            // \" is a quote; \\ stays whole so that the text escapes see it.
            word += next == '"' ? std::string("\"") : std::string("\\\\");
            inWord = true;
            ++i;
        } else if (!quoted && IsBlank(c)) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) error = "a quote is not closed";
    if (inWord) words.push_back(std::move(word));
    return words;
}

std::string DecodeText(std::string_view text, std::string& error) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        char c = i + 1 < text.size() ? text[++i] : '\0';
        if (c == '\\') {
            out += '\\';
        } else if (c == '0') {
            out += '\0';
        } else if (c == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                   HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else if (c == '{') {
            size_t close = text.find('}', i);
            long count = 0;
            if (out.empty() || close == std::string_view::npos ||
                !ReadNumber(text.substr(i + 1, close - i - 1), 0,
                            kMaxTextBytes - static_cast<long>(out.size()), count)) {
                error = "bad repeat \\{N} (a count after a byte, total under 64 MB)";
                return {};
            }
            out.append(static_cast<size_t>(count), out.back());
            i = close;
        } else {
            error = "unknown escape \\" + std::string(1, c) + " (known: \\\\ \\0 \\xHH \\{N})";
            return {};
        }
    }
    return out;
}

Parsed ParseOptions(std::string_view text, const Options& base) {
    Parsed result{base, {}};
    result.options.help = false;
    result.options.close = false;
    result.options.hangMs = 0;
    std::vector<std::string> words = SplitWords(text, result.error);
    if (!result.error.empty()) return result;
    Options draft = result.options;
    result.error = Parser(std::move(words), draft).Run();
    if (result.error.empty()) result.options = std::move(draft);
    return result;
}

bool InputIsFirst(const Options& options) {
    const std::string& input = options.room.input;
    if (input != "auto") return input == "first";
    const std::string& v = options.menu.version;
    return v == "6.0" || v == "7.0" || v == "8.0";
}

} // namespace sim
