#include "ScenarioParser.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <tuple>

#include "Unicode.h"
#include "platform/Constants.h"

namespace scenario {

namespace {

struct Token {
    std::string_view text;  // without quotes and escapes
    bool quoted = false;
    size_t begin = 0;  // where the token stands in the line
    size_t end = 0;
};

// The tokens of one line. The first few are kept in place, so that reading an ordinary line allocates
// nothing; a longer line (always refused: no command has more than seven words) spills over.
class Tokens {
public:
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    const Token& operator[](size_t i) const { return i < InPlace ? first_[i] : more_[i - InPlace]; }
    const Token& back() const { return (*this)[count_ - 1]; }
    void push_back(const Token& token) {
        if (count_ < InPlace)
            first_[count_] = token;
        else
            more_.push_back(token);
        ++count_;
    }

private:
    static constexpr size_t InPlace = 8;
    std::array<Token, InPlace> first_{};
    std::vector<Token> more_;
    size_t count_ = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits a line into tokens; a token that starts with '#' ends the line. The text of a quoted token
// with escapes goes to *unescaped, whose room for the whole line is taken at once so that the tokens'
// views into it stay valid.
bool Tokenize(std::string_view line, Tokens* tokens, std::string* unescaped, std::string* error) {
    for (unsigned char c : line) {
        if ((c < 0x20 && c != '\t') || c == 0x7F) {
            *error = "control character in the line";
            return false;
        }
    }
    size_t i = 0;
    while (true) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size() || line[i] == '#') return true;
        Token token;
        token.begin = i;
        if (line[i] == '"') {
            token.quoted = true;
            ++i;
            const size_t close = line.find('"', i);
            const size_t escape = line.find('\\', i);
            if (escape == std::string_view::npos || (close != std::string_view::npos && close < escape)) {
                if (close == std::string_view::npos) {
                    *error = "unterminated quoted text";
                    return false;
                }
                token.text = line.substr(i, close - i);
                i = close + 1;
            } else {
                if (unescaped->capacity() < line.size()) unescaped->reserve(line.size());
                const size_t start = unescaped->size();
                bool closed = false;
                while (i < line.size()) {
                    char c = line[i++];
                    if (c == '"') {
                        closed = true;
                        break;
                    }
                    if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) c = line[i++];
                    unescaped->push_back(c);
                }
                if (!closed) {
                    *error = "unterminated quoted text";
                    return false;
                }
                token.text = std::string_view(*unescaped).substr(start);
            }
            if (i < line.size() && !IsBlank(line[i])) {
                *error = "quoted text must be followed by a blank";
                return false;
            }
        } else {
            while (i < line.size() && !IsBlank(line[i])) ++i;
            token.text = line.substr(token.begin, i - token.begin);
        }
        token.end = i;
        tokens->push_back(token);
    }
}

struct VerbInfo {
    const char* name;
    Verb verb;
    const char* usage;
    const char* help;  // one line for vistrel-sim --help
};

constexpr VerbInfo Verbs[] = {
    {"screen", Verb::Screen, "screen W H [PPI]", "screen size, pixels per inch (240 320 96)"},
    {"home", Verb::Home, "home DIR", "folder standing for the program's folder"},
    {"registry", Verb::Registry, "registry FILE", "registry file, read at start, kept up to date"},
    {"desktop", Verb::Desktop, "desktop pattern | desktop fill RRGGBB | desktop FILE.bmp",
     "the picture behind every window"},
    {"clock", Verb::Clock, "clock MS", "the device clock's first value, in ms"},
    {"start", Verb::Start, "start", "run the program; the lines below are its input"},
    {"wait", Verb::Wait, "wait MS", "let MS ms of device time pass; timers fire"},
    {"paint", Verb::Paint, "paint X Y W H RRGGBB", "fill a rectangle of the desktop picture"},
    {"tray", Verb::Tray, "tray tap|double|right", "tap, double tap, right press on the tray icon"},
    {"menu", Verb::Menu, "menu ID | menu none", "answer the pop-up menu: an item id, or dismiss"},
    {"down", Verb::Down, "down X Y", "stylus down at a screen point"},
    {"move", Verb::Move, "move X Y", "stylus moves to a screen point"},
    {"up", Verb::Up, "up X Y", "stylus up at a screen point"},
    {"drag", Verb::Drag, "drag X1 Y1 X2 Y2 [STEPS [MS]]", "down, STEPS moves (10) over MS ms (0), up"},
    {"doubletap", Verb::DoubleTap, "doubletap X Y", "a double tap at a screen point"},
    {"rightclick", Verb::RightClick, "rightclick X Y", "right button down and up at a screen point"},
    {"wheel", Verb::Wheel, "wheel DELTA", "wheel turn over the window under the cursor"},
    {"focus", Verb::Focus, "focus magnifier|picker|tape", "give that window the keyboard focus"},
    {"key", Verb::Key, "key VK", "a virtual key pressed on the focused window"},
    {"char", Verb::Char, "char C", "type a character (or a code: char 0x20)"},
    {"alt", Verb::Alt, "alt down|up", "hold or release Alt"},
    {"shift", Verb::Shift, "shift down|up", "hold or release Shift"},
    {"ctrl", Verb::Ctrl, "ctrl down|up", "hold or release Ctrl"},
    {"hotkey", Verb::HotKey, "hotkey VK [up]", "the hardware key (the tape key is 193)"},
    {"rotate", Verb::Rotate, "rotate W H", "the screen turns or changes its size"},
    {"send", Verb::Send, "send magnifier|picker|tape CODE P1 P2", "send a raw message to that window"},
    {"sheet", Verb::Sheet,
     "sheet tab N | sheet check ID 0|1 | sheet track ID POS | sheet select TEXT | sheet text ID TEXT | "
     "sheet click ID | sheet ok | sheet cancel",
     "work the open settings sheet"},
    {"second", Verb::Second, "second", "start a second copy, print its exit code"},
    {"destroy", Verb::Destroy, "destroy", "destroy the glass's window: the program ends"},
    {"dump", Verb::Dump, "dump", "print the state as one line of JSON"},
    {"shot", Verb::Shot, "shot FILE.png", "write the screen as a PNG picture"},
};

const VerbInfo* FindVerb(Verb verb) {
    for (const VerbInfo& info : Verbs)
        if (info.verb == verb) return &info;
    return nullptr;
}

// Reads the arguments of one command, left to right.
class ArgumentReader {
public:
    ArgumentReader(std::string_view line, const Tokens& tokens, const VerbInfo& verb,
                   std::string* error)
        : line_(line), tokens_(tokens), verb_(verb), error_(error) {}

    bool AtEnd() const { return next_ >= tokens_.size(); }
    size_t Left() const { return tokens_.size() - next_; }
    const Token& Peek() const { return tokens_[next_]; }
    void Skip() { ++next_; }

    bool Usage() {
        *error_ = std::string("usage: ") + verb_.usage;
        return false;
    }

    // The end of the arguments: anything more is an error.
    bool End() {
        if (AtEnd()) return true;
        *error_ = "unexpected '" + std::string(Peek().text) + "' after the arguments (usage: " + verb_.usage + ")";
        return false;
    }

    bool Number(const char* name, int64_t min, int64_t max, int64_t* value) {
        if (AtEnd()) return Usage();
        const Token& token = tokens_[next_++];
        std::optional<int64_t> parsed = token.quoted ? std::nullopt : ParseNumber(token.text);
        if (!parsed) {
            *error_ = std::string(name) + " must be a number, not '" + std::string(token.text) + "' (usage: " + verb_.usage + ")";
            return false;
        }
        if (*parsed < min || *parsed > max) {
            *error_ = std::string(name) + " must be between " + std::to_string(min) + " and " + std::to_string(max) +
                      ", not " + std::string(token.text);
            return false;
        }
        *value = *parsed;
        return true;
    }

    bool Numbers(Command* command, std::initializer_list<std::tuple<const char*, int64_t, int64_t>> specs) {
        for (const auto& [name, min, max] : specs) {
            int64_t value = 0;
            if (!Number(name, min, max, &value)) return false;
            command->numbers.push_back(value);
        }
        return true;
    }

    bool OptionalNumber(const char* name, int64_t min, int64_t max, int64_t fallback, Command* command) {
        int64_t value = fallback;
        if (!AtEnd() && !Number(name, min, max, &value)) return false;
        command->numbers.push_back(value);
        return true;
    }

    bool Color(platform::ColorRef* color) {
        if (AtEnd()) return Usage();
        const Token& token = tokens_[next_++];
        std::optional<platform::ColorRef> parsed = token.quoted ? std::nullopt : ParseColor(token.text);
        if (!parsed) {
            *error_ = "colour must be six hex digits RRGGBB, not '" + std::string(token.text) + "'";
            return false;
        }
        *color = *parsed;
        return true;
    }

    // One of the given unquoted words; returns its index.
    bool Word(std::initializer_list<const char*> words, int* index) {
        if (AtEnd()) return Usage();
        const Token& token = tokens_[next_++];
        int i = 0;
        for (const char* word : words) {
            if (!token.quoted && token.text == word) {
                *index = i;
                return true;
            }
            ++i;
        }
        *error_ = "unexpected '" + std::string(token.text) + "' (usage: " + verb_.usage + ")";
        return false;
    }

    // The rest of the line as one text: a single quoted token, or the unquoted words as written.
    bool Rest(const char* name, bool allowEmpty, std::string* text) {
        if (AtEnd()) {
            if (allowEmpty) return Usage();
            *error_ = std::string(name) + " is missing (usage: " + verb_.usage + ")";
            return false;
        }
        const Token& first = tokens_[next_];
        const Token& last = tokens_.back();
        if (Left() == 1) {
            *text = std::string(first.text);
        } else {
            for (size_t i = next_; i < tokens_.size(); ++i) {
                if (tokens_[i].quoted) {
                    *error_ = std::string(name) + ": quote the whole text or none of it";
                    return false;
                }
            }
            *text = std::string(line_.substr(first.begin, last.end - first.begin));
        }
        next_ = tokens_.size();
        if (text->empty() && !allowEmpty) {
            *error_ = std::string(name) + " must not be empty";
            return false;
        }
        return true;
    }

private:
    std::string_view line_;
    const Tokens& tokens_;
    const VerbInfo& verb_;
    std::string* error_;
    size_t next_ = 1;  // token 0 is the verb
};

using Reader = ArgumentReader;
constexpr int64_t U32Max = 0xFFFFFFFFll;
constexpr int64_t I32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t I32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t ControlIdMax = 0xFFFF;

bool ParsePoint(Reader& r, Command* c) {
    return r.Numbers(c, {{"X", MinCoordinate, MaxCoordinate}, {"Y", MinCoordinate, MaxCoordinate}});
}

bool ParseTarget(Reader& r, Command* c) {
    int index = 0;
    if (!r.Word({"magnifier", "picker", "tape"}, &index)) return false;
    c->target = index == 0 ? Target::Magnifier : index == 1 ? Target::Picker : Target::Tape;
    return true;
}

bool ParseDesktop(Reader& r, Command* c) {
    if (r.AtEnd()) return r.Usage();
    const Token& token = r.Peek();
    if (!token.quoted && token.text == "pattern" && r.Left() == 1) {
        c->desktop = DesktopKind::Pattern;
        int index = 0;
        return r.Word({"pattern"}, &index);
    }
    if (!token.quoted && token.text == "fill") {
        int index = 0;
        c->desktop = DesktopKind::Fill;
        return r.Word({"fill"}, &index) && r.Color(&c->color);
    }
    c->desktop = DesktopKind::File;
    return r.Rest("FILE", false, &c->text);
}

bool ParseMenu(Reader& r, Command* c) {
    if (r.AtEnd()) return r.Usage();
    if (!r.Peek().quoted && r.Peek().text == "none") {
        int index = 0;
        c->flag = true;
        c->numbers.push_back(0);
        return r.Word({"none"}, &index);
    }
    return r.Numbers(c, {{"ID", 0, I32Max}});
}

bool ParseChar(Reader& r, Command* c) {
    if (r.AtEnd()) return r.Usage();
    const Token& token = r.Peek();
    bool valid = false;
    std::u16string units = Utf8ToUtf16(token.text, &valid);
    if (valid && units.size() == 1) {
        c->numbers.push_back(units[0]);
        r.Skip();
        return true;
    }
    // A longer token is a character code (char 0x20 types a blank).
    if (!token.quoted && ParseNumber(token.text)) return r.Numbers(c, {{"C", 1, 0xFFFF}});
    return r.Usage();
}

bool ParseSend(Reader& r, Command* c, std::string* error) {
    if (!ParseTarget(r, c)) return false;
    if (!r.Numbers(c, {{"CODE", 0, U32Max}, {"P1", I32Min, U32Max}, {"P2", I32Min, U32Max}})) return false;
    if (IsPointerMessage(uint32_t(c->numbers[0]))) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%04X", unsigned(c->numbers[0]));
        *error = std::string("message ") + code + " passes pointers in its parameters; a scenario cannot send it";
        return false;
    }
    return true;
}

bool ParseSheet(Reader& r, Command* c, std::string* error) {
    int index = 0;
    if (!r.Word({"tab", "check", "track", "select", "text", "click", "ok", "cancel"}, &index)) return false;
    c->sheet = SheetAction(index);
    switch (c->sheet) {
        case SheetAction::Tab: return r.Numbers(c, {{"N", 0, 63}});
        case SheetAction::Check: return r.Numbers(c, {{"ID", 0, ControlIdMax}, {"0|1", 0, 1}});
        case SheetAction::Track: return r.Numbers(c, {{"ID", 0, ControlIdMax}, {"POS", I32Min, I32Max}});
        case SheetAction::Select: return r.Rest("TEXT", true, &c->text);
        case SheetAction::Text: return r.Numbers(c, {{"ID", 0, ControlIdMax}}) && r.Rest("TEXT", true, &c->text);
        case SheetAction::Click: return r.Numbers(c, {{"ID", 0, ControlIdMax}});
        case SheetAction::Ok:
        case SheetAction::Cancel: return true;
    }
    *error = "unknown sheet action";
    return false;
}

bool ParseArguments(Reader& r, Command* c, std::string* error) {
    int index = 0;
    switch (c->verb) {
        case Verb::Screen:
            return r.Numbers(c, {{"W", MinScreenSide, MaxScreenSide}, {"H", MinScreenSide, MaxScreenSide}}) &&
                   r.OptionalNumber("PPI", 1, MaxPixelsPerInch, 96, c);
        case Verb::Home: return r.Rest("DIR", false, &c->text);
        case Verb::Registry: return r.Rest("FILE", false, &c->text);
        case Verb::Shot: return r.Rest("FILE", false, &c->text);
        case Verb::Desktop: return ParseDesktop(r, c);
        case Verb::Clock: return r.Numbers(c, {{"MS", 0, U32Max}});
        case Verb::Start:
        case Verb::Second:
        case Verb::Destroy:
        case Verb::Dump: return true;
        case Verb::Wait: return r.Numbers(c, {{"MS", 0, MaxWaitMs}});
        case Verb::Paint:
            return r.Numbers(c, {{"X", -MaxPaintExtent, MaxPaintExtent},
                                 {"Y", -MaxPaintExtent, MaxPaintExtent},
                                 {"W", 0, MaxPaintExtent},
                                 {"H", 0, MaxPaintExtent}}) &&
                   r.Color(&c->color);
        case Verb::Tray:
            if (!r.Word({"tap", "double", "right"}, &index)) return false;
            c->tray = TrayAction(index);
            return true;
        case Verb::Menu: return ParseMenu(r, c);
        case Verb::Down:
        case Verb::Move:
        case Verb::Up:
        case Verb::DoubleTap:
        case Verb::RightClick: return ParsePoint(r, c);
        case Verb::Drag:
            return ParsePoint(r, c) && ParsePoint(r, c) &&
                   r.OptionalNumber("STEPS", 0, MaxDragSteps, 10, c) &&
                   r.OptionalNumber("MS", 0, MaxWaitMs, 0, c);
        case Verb::Wheel: return r.Numbers(c, {{"DELTA", MinCoordinate, MaxCoordinate}});
        case Verb::Focus: return ParseTarget(r, c);
        case Verb::Key: return r.Numbers(c, {{"VK", 1, 254}});
        case Verb::Char: return ParseChar(r, c);
        case Verb::Alt:
        case Verb::Shift:
        case Verb::Ctrl:
            if (!r.Word({"down", "up"}, &index)) return false;
            c->flag = index == 0;
            return true;
        case Verb::HotKey:
            if (!r.Numbers(c, {{"VK", 0, U32Max}})) return false;
            if (!r.AtEnd()) {
                if (!r.Word({"up"}, &index)) return false;
                c->flag = true;
            }
            return true;
        case Verb::Rotate:
            return r.Numbers(c, {{"W", MinScreenSide, MaxScreenSide}, {"H", MinScreenSide, MaxScreenSide}});
        case Verb::Send: return ParseSend(r, c, error);
        case Verb::Sheet: return ParseSheet(r, c, error);
    }
    *error = "unknown command";
    return false;
}

}  // namespace

const char* VerbName(Verb verb) {
    const VerbInfo* info = FindVerb(verb);
    return info ? info->name : "?";
}

std::string CommandSummary() {
    constexpr size_t Column = 31;
    std::string text;
    for (const VerbInfo& info : Verbs) {
        if (info.verb == Verb::Screen) text += "Set-up, before start:\n";
        if (info.verb == Verb::Start) text += "The run:\n";
        // The two longest forms, shortened to fit the screen.
        std::string usage = info.verb == Verb::Sheet     ? "sheet tab N | check ID 0|1 | track ID POS | select TEXT |\n"
                                                           "        text ID TEXT | click ID | ok | cancel"
                            : info.verb == Verb::Desktop ? "desktop pattern | fill RRGGBB | FILE.bmp"
                                                         : info.usage;
        text += "  " + usage;
        const bool fits = usage.size() < Column && usage.find('\n') == std::string::npos;
        text += fits ? std::string(Column - usage.size(), ' ') : "\n" + std::string(Column + 2, ' ');
        text += std::string(info.help) + "\n";
    }
    return text;
}

std::optional<int64_t> ParseNumber(std::string_view token) {
    size_t i = 0;
    bool negative = false;
    if (i < token.size() && token[i] == '-') {
        negative = true;
        ++i;
    }
    int base = 10;
    if (token.size() > i + 1 && token[i] == '0' && (token[i + 1] == 'x' || token[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= token.size()) return std::nullopt;
    constexpr uint64_t Limit = uint64_t(std::numeric_limits<int64_t>::max());
    uint64_t value = 0;
    bool saturated = false;
    for (; i < token.size(); ++i) {
        char c = token[i];
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return std::nullopt;
        if (value > (Limit - uint64_t(digit)) / uint64_t(base)) saturated = true;
        if (!saturated) value = value * uint64_t(base) + uint64_t(digit);
    }
    if (saturated) return negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    return negative ? -int64_t(value) : int64_t(value);
}

std::optional<platform::ColorRef> ParseColor(std::string_view token) {
    if (token.size() != 6) return std::nullopt;
    uint32_t value = 0;
    for (char c : token) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit < 0) return std::nullopt;
        value = value << 4 | uint32_t(digit);
    }
    return platform::Rgb(uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value));
}

bool IsPointerMessage(uint32_t message) {
    switch (message) {
        case platform::MsgCreate:
        case platform::MsgSetText:
        case platform::MsgGetText:
        case platform::MsgNotify:
        case platform::MsgHelp:
        case 0x0024:  // minimum and maximum size record
        case 0x002B:  // owner-draw records
        case 0x002C:
        case 0x002D:
        case 0x0039:
        case 0x0046:  // window position records
        case 0x0047:
        case 0x004A:  // data copy record
        case 0x0081:  // non-client creation record
        case 0x0083:  // non-client size record
        case 0x0214:  // sizing and moving rectangles
        case 0x0216:
            return true;
        default:
            return false;
    }
}

bool ParseLine(std::string_view line, std::optional<Command>* command, std::string* error) {
    command->reset();
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Tokens tokens;
    std::string unescaped;
    if (!Tokenize(line, &tokens, &unescaped, error)) return false;
    if (tokens.empty()) return true;
    const VerbInfo* verb = nullptr;
    if (!tokens[0].quoted) {
        for (const VerbInfo& info : Verbs) {
            if (tokens[0].text == info.name) {
                verb = &info;
                break;
            }
        }
    }
    if (!verb) {
        *error = "unknown command '" + std::string(tokens[0].text) + "'";
        return false;
    }
    Command parsed;
    parsed.verb = verb->verb;
    ArgumentReader reader(line, tokens, *verb, error);
    if (!ParseArguments(reader, &parsed, error) || !reader.End()) return false;
    *command = std::move(parsed);
    return true;
}

std::vector<DragMove> PlanDrag(platform::Point from, platform::Point to, int32_t steps, uint32_t ms) {
    std::vector<DragMove> moves;
    if (steps <= 0) return moves;
    moves.reserve(size_t(steps));
    uint64_t elapsed = 0;
    for (int64_t i = 1; i <= steps; ++i) {
        const uint64_t due = uint64_t(ms) * uint64_t(i) / uint64_t(steps);
        DragMove move;
        move.waitBefore = uint32_t(due - elapsed);
        elapsed = due;
        move.point.x = int32_t(from.x + (int64_t(to.x) - from.x) * i / steps);
        move.point.y = int32_t(from.y + (int64_t(to.y) - from.y) * i / steps);
        moves.push_back(move);
    }
    return moves;
}

}  // namespace scenario
