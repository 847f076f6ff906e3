// Reader of resource scripts (see ResourceScript.h for the subset).
#include "platform/windowing/ResourceScript.h"

#include <array>
#include <cctype>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Constants.h"

namespace platform::sim {

namespace {

struct ScriptError {
    std::string message;
};

enum class TokenKind { End, Name, Number, Text, Symbol, Directive };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view word;  // Name: the word; Directive: the whole line (both where the source text holds them)
    std::string text;       // Text: the bytes, escapes resolved
    int64_t number = 0;
    char symbol = 0;
    int line = 0;
    const std::string* file = nullptr;  // kept by the lexer
};

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool IsWordStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string Describe(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x21 && u < 0x7F) return std::string("'") + c + "'";
    static const char* hex = "0123456789ABCDEF";
    return std::string("byte 0x") + hex[u >> 4] + hex[u & 15];
}

// Splits script text into tokens. Preprocessor lines come back whole as Directive tokens; the parser
// acts on them, and may push the text of an included file.
class Lexer {
public:
    Lexer(std::string_view text, std::string fileName) { Push(text, Own(std::move(fileName))); }
    // A fragment (the value of a #define, in the file fileName) starts in the middle of a line: no
    // preprocessor lines in it.
    Lexer(std::string_view text, const std::string* fileName) {
        static const std::string noName;
        Push(text, fileName ? fileName : &noName);
        sources_[0].lineStart = false;
    }

    void PushInclude(std::string text, std::string fileName) {
        owned_.push_back(std::make_unique<const std::string>(std::move(text)));
        Push(*owned_.back(), Own(std::move(fileName)));
    }
    int Depth() const { return int(depth_); }

    Token Next() {
        while (depth_ > 0) {
            Source& s = sources_[depth_ - 1];
            SkipBlanks(s);
            if (s.pos >= s.text.size()) {
                --depth_;
                continue;
            }
            char c = s.text[s.pos];
            Token token;
            token.line = s.line;
            token.file = s.name;
            if (c == '#' && s.lineStart) {
                size_t end = s.text.find('\n', s.pos);
                if (end == std::string_view::npos) end = s.text.size();
                token.kind = TokenKind::Directive;
                token.word = s.text.substr(s.pos, end - s.pos);
                s.pos = end;
                return token;
            }
            s.lineStart = false;
            if ((c == 'L' || c == 'l') && s.pos + 1 < s.text.size() && s.text[s.pos + 1] == '"') {
                ++s.pos;
                return LexText(s, token);
            }
            if (IsWordStart(c)) {
                size_t start = s.pos;
                while (s.pos < s.text.size() && IsWordChar(s.text[s.pos])) ++s.pos;
                token.kind = TokenKind::Name;
                token.word = s.text.substr(start, s.pos - start);
                return token;
            }
            if (std::isdigit(static_cast<unsigned char>(c))) return LexNumber(s, token);
            if (c == '"') return LexText(s, token);
            if (c == ',' || c == '|' || c == '+' || c == '-' || c == '~' || c == '(' || c == ')' || c == '{' ||
                c == '}') {
                ++s.pos;
                token.kind = TokenKind::Symbol;
                token.symbol = c;
                return token;
            }
            Fail(s, "unexpected " + Describe(c));
        }
        Token end;
        end.line = lastLine_;
        end.file = lastFile_;
        return end;
    }

private:
    struct Source {
        std::string_view text;
        size_t pos = 0;
        int line = 1;
        const std::string* name = nullptr;
        bool lineStart = true;
    };

    const std::string* Own(std::string fileName) {
        names_.push_back(std::make_unique<const std::string>(std::move(fileName)));
        return names_.back().get();
    }

    void Push(std::string_view text, const std::string* fileName) {
        if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        if (text.size() >= 2 && (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF")) {
            throw ScriptError{*fileName + " line 1: UTF-16 text is not read; save the file as UTF-8"};
        }
        if (depth_ == sources_.size()) throw ScriptError{*fileName + ": #include nested too deeply"};
        lastFile_ = fileName;
        sources_[depth_++] = Source{text, 0, 1, fileName, true};
    }

    [[noreturn]] static void Fail(const Source& s, const std::string& message) {
        throw ScriptError{*s.name + " line " + std::to_string(s.line) + ": " + message};
    }

    void SkipBlanks(Source& s) {
        while (s.pos < s.text.size()) {
            char c = s.text[s.pos];
            if (c == '\n') {
                ++s.line;
                s.lineStart = true;
                ++s.pos;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++s.pos;
            } else if (c == '/' && s.pos + 1 < s.text.size() && s.text[s.pos + 1] == '/') {
                while (s.pos < s.text.size() && s.text[s.pos] != '\n') ++s.pos;
            } else if (c == '/' && s.pos + 1 < s.text.size() && s.text[s.pos + 1] == '*') {
                int startLine = s.line;
                s.pos += 2;
                while (true) {
                    if (s.pos + 1 >= s.text.size()) {
                        s.line = startLine;
                        Fail(s, "comment not closed");
                    }
                    if (s.text[s.pos] == '*' && s.text[s.pos + 1] == '/') {
                        s.pos += 2;
                        break;
                    }
                    if (s.text[s.pos] == '\n') ++s.line;
                    ++s.pos;
                }
            } else {
                break;
            }
        }
        lastLine_ = s.line;
        lastFile_ = s.name;
    }

    Token& LexNumber(Source& s, Token& token) {
        uint64_t value = 0;
        unsigned base = 10;
        if (s.text[s.pos] == '0' && s.pos + 1 < s.text.size() && (s.text[s.pos + 1] == 'x' || s.text[s.pos + 1] == 'X')) {
            base = 16;
            s.pos += 2;
        }
        size_t digits = 0;
        while (s.pos < s.text.size()) {
            char c = s.text[s.pos];
            unsigned d;
            if (c >= '0' && c <= '9') {
                d = unsigned(c - '0');
            } else if (base == 16 && c >= 'a' && c <= 'f') {
                d = unsigned(c - 'a' + 10);
            } else if (base == 16 && c >= 'A' && c <= 'F') {
                d = unsigned(c - 'A' + 10);
            } else {
                break;
            }
            value = value * base + d;
            if (value > 0xFFFFFFFFull) Fail(s, "number too large (more than 32 bits)");
            ++digits;
            ++s.pos;
        }
        if (digits == 0) Fail(s, "hexadecimal number without digits");
        int suffix = 0;
        while (s.pos < s.text.size() && (s.text[s.pos] == 'L' || s.text[s.pos] == 'l' || s.text[s.pos] == 'U' || s.text[s.pos] == 'u') && suffix < 3) {
            ++s.pos;
            ++suffix;
        }
        if (s.pos < s.text.size() && IsWordChar(s.text[s.pos])) Fail(s, "malformed number");
        token.kind = TokenKind::Number;
        token.number = int64_t(value);
        return token;
    }

    Token& LexText(Source& s, Token& token) {
        ++s.pos;  // opening quote
        std::string bytes;
        while (true) {
            if (s.pos >= s.text.size() || s.text[s.pos] == '\n') Fail(s, "string not closed on its line");
            char c = s.text[s.pos];
            if (c == '"') {
                if (s.pos + 1 < s.text.size() && s.text[s.pos + 1] == '"') {
                    bytes += '"';
                    s.pos += 2;
                    continue;
                }
                ++s.pos;
                break;
            }
            if (c == '\\' && s.pos + 1 < s.text.size()) {
                char e = s.text[s.pos + 1];
                if (e == 'n' || e == 't' || e == 'r' || e == '\\') {
                    bytes += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : '\\';
                    s.pos += 2;
                    continue;
                }
            }
            bytes += c;
            ++s.pos;
        }
        token.kind = TokenKind::Text;
        token.text = std::move(bytes);
        return token;
    }

    // Texts and names are kept where the sources point to them. A lexer is made for every #define value,
    // so the sources being read stand in place (the file and its includes, MaxIncludeDepth deep) and a
    // fragment borrows its file's name: reading a value allocates nothing.
    std::array<Source, MaxIncludeDepth + 1> sources_{};
    size_t depth_ = 0;
    std::vector<std::unique_ptr<const std::string>> owned_;
    std::vector<std::unique_ptr<const std::string>> names_;
    int lastLine_ = 1;
    const std::string* lastFile_ = nullptr;
};

// Names of #define lines, looked up by the words of the script as they stand in it.
struct WordHash {
    using is_transparent = void;
    size_t operator()(std::string_view word) const { return std::hash<std::string_view>{}(word); }
};
using Defines = std::unordered_map<std::string, std::optional<int64_t>, WordHash, std::equal_to<>>;

constexpr int64_t MinValue = -int64_t(0x80000000ll);
constexpr int64_t MaxValue = int64_t(0xFFFFFFFFll);
constexpr int MaxExpressionDepth = 64;

constexpr uint32_t ChildVisible = StyleChild | StyleVisible;
constexpr uint32_t DialogSetFont = 0x40;

class Parser {
public:
    Parser(Lexer& lexer, Defines& defines, const IncludeReader& readInclude, int* includeCount)
        : lexer_(lexer), defines_(defines), readInclude_(readInclude), includeCount_(includeCount) {}

    ResourceScript ParseScript() {
        while (Peek().kind != TokenKind::End) ParseStatement();
        return std::move(script_);
    }

    int64_t ParseStandaloneExpression() {
        int64_t value = Expression(0);
        if (Peek().kind != TokenKind::End) Fail("unexpected text after the number");
        return value;
    }

private:
    // ---- Tokens ----

    const Token& Peek() {
        while (!peeked_) {
            Token token = lexer_.Next();
            if (token.kind == TokenKind::Directive) {
                line_ = token.line;
                file_ = token.file;
                Directive(token.word);
                continue;
            }
            peeked_ = std::move(token);
        }
        return *peeked_;
    }

    Token Take() {
        Peek();
        Token token = std::move(*peeked_);
        peeked_.reset();
        line_ = token.line;
        file_ = token.file;
        return token;
    }

    [[noreturn]] void Fail(const std::string& message) {
        int line = peeked_ ? peeked_->line : line_;
        const std::string* file = peeked_ ? peeked_->file : file_;
        throw ScriptError{(file ? *file : std::string("script")) + " line " + std::to_string(line) + ": " + message};
    }

    bool PeekWord(std::string_view word) {
        const Token& t = Peek();
        return t.kind == TokenKind::Name && SameWord(t.word, word);
    }
    bool PeekSymbol(char c) {
        const Token& t = Peek();
        return t.kind == TokenKind::Symbol && t.symbol == c;
    }
    void ExpectComma() {
        if (!PeekSymbol(',')) Fail("expected ','");
        Take();
    }
    bool TakeComma() {
        if (!PeekSymbol(',')) return false;
        Take();
        return true;
    }
    void ExpectBegin() {
        if (PeekWord("BEGIN") || PeekSymbol('{')) {
            Take();
            return;
        }
        Fail("expected BEGIN");
    }
    bool AtEnd() {
        if (Peek().kind == TokenKind::End) Fail("END missing before the end of the file");
        return PeekWord("END") || PeekSymbol('}');
    }
    std::string ExpectText() {
        if (Peek().kind != TokenKind::Text) Fail("expected a quoted text");
        return Take().text;
    }
    std::u16string ExpectUtf16Text() {
        std::u16string text = detail::FromUtf8(ExpectText());
        if (text.size() > MaxStringUnits) Fail("text longer than " + std::to_string(MaxStringUnits) + " characters");
        return text;
    }

    // ---- Preprocessor lines ----

    void Directive(std::string_view line) {
        size_t pos = 1;
        auto skipSpace = [&] {
            while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == '\r')) ++pos;
        };
        skipSpace();
        size_t start = pos;
        while (pos < line.size() && IsWordChar(line[pos])) ++pos;
        const std::string_view word = line.substr(start, pos - start);
        skipSpace();
        if (word == "pragma") return;
        if (word == "include") {
            Include(line.substr(pos));
            return;
        }
        if (word == "define") {
            Define(line.substr(pos));
            return;
        }
        Fail("preprocessor line not understood: #" + std::string(word));
    }

    void Include(std::string_view rest) {
        while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r')) rest.remove_suffix(1);
        if (rest.size() < 3 || !((rest.front() == '"' && rest.back() == '"') || (rest.front() == '<' && rest.back() == '>'))) {
            Fail("#include needs a file name in quotes");
        }
        std::string name(rest.substr(1, rest.size() - 2));
        if (lexer_.Depth() > MaxIncludeDepth) Fail("#include nested too deeply");
        if (++*includeCount_ > MaxIncludes) Fail("too many #include lines");
        std::optional<std::string> text;
        if (readInclude_) text = readInclude_(name);
        if (!text) Fail("#include file not found: " + name);
        if (text->size() > MaxScriptBytes) Fail("#include file too large: " + name);
        lexer_.PushInclude(std::move(*text), name);
    }

    void Define(std::string_view rest) {
        size_t pos = 0;
        if (rest.empty() || !IsWordStart(rest[0])) Fail("#define needs a name");
        while (pos < rest.size() && IsWordChar(rest[pos])) ++pos;
        const std::string_view name = rest.substr(0, pos);
        if (pos < rest.size() && rest[pos] == '(') Fail("#define with parameters is not supported");
        const std::string_view value = rest.substr(pos);
        auto defined = defines_.find(name);
        if (defines_.size() >= MaxDefines && defined == defines_.end()) Fail("too many #define lines");
        if (defined == defines_.end()) defined = defines_.emplace(std::string(name), std::nullopt).first;
        std::optional<int64_t>& slot = defined->second;
        bool blank = value.find_first_not_of(" \t\r") == std::string_view::npos;
        if (blank) {
            slot = std::nullopt;
            return;
        }
        static const IncludeReader noIncludes;
        Lexer valueLexer(value, file_);
        Parser valueParser(valueLexer, defines_, noIncludes, includeCount_);
        valueParser.line_ = line_;
        valueParser.file_ = file_;
        try {
            slot = valueParser.ParseStandaloneExpression();
        } catch (const ScriptError&) {
            Fail("#define " + std::string(name) + ": the value is not a number expression");
        }
    }

    // ---- Numbers ----

    int64_t CheckRange(int64_t v) {
        if (v < MinValue || v > MaxValue) Fail("number out of range (more than 32 bits)");
        return v;
    }

    int64_t Expression(int depth) {
        int64_t value = Unary(depth);
        while (PeekSymbol('|') || PeekSymbol('+') || PeekSymbol('-')) {
            char op = Take().symbol;
            int64_t right = Unary(depth);
            if (op == '|') {
                value = int64_t(uint32_t(value) | uint32_t(right));
            } else if (op == '+') {
                value = CheckRange(value + right);
            } else {
                value = CheckRange(value - right);
            }
        }
        return value;
    }

    int64_t Unary(int depth) {
        if (depth > MaxExpressionDepth) Fail("expression nested too deeply");
        const Token& t = Peek();
        if (t.kind == TokenKind::Symbol && t.symbol == '-') {
            Take();
            return CheckRange(-Unary(depth + 1));
        }
        if (t.kind == TokenKind::Symbol && t.symbol == '~') {
            Take();
            return int64_t(~uint32_t(Unary(depth + 1)));
        }
        if (t.kind == TokenKind::Symbol && t.symbol == '(') {
            Take();
            int64_t value = Expression(depth + 1);
            if (!PeekSymbol(')')) Fail("expected ')'");
            Take();
            return value;
        }
        if (t.kind == TokenKind::Number) return Take().number;
        if (t.kind == TokenKind::Name) {
            auto found = defines_.find(t.word);
            if (found == defines_.end()) Fail("unknown name " + std::string(t.word) + " (resources and values need numbers)");
            if (!found->second) Fail("the name " + std::string(t.word) + " has no value");
            Take();
            return *found->second;
        }
        Fail("expected a number");
    }

    int64_t Ranged(int64_t low, int64_t high, const char* what) {
        int64_t v = Expression(0);
        if (v < low || v > high) {
            Fail(std::string(what) + " out of range: " + std::to_string(v));
        }
        return v;
    }
    int ResourceId() { return int(Ranged(0, 0xFFFF, "resource id")); }
    int ControlId() {
        int64_t v = Expression(0);
        if (v == -1 || v == 0xFFFF || v == 0xFFFFFFFFll) return -1;
        if (v < 0 || v > 0xFFFF) Fail("control id out of range: " + std::to_string(v));
        return int(v);
    }
    int32_t Coordinate() { return int32_t(Ranged(-32768, 32767, "dialog coordinate")); }
    uint32_t Flags() { return uint32_t(Expression(0)); }

    void CountResource() {
        if (++resourceCount_ > MaxResources) Fail("too many resources");
    }

    // ---- Statements ----

    void SkipMemoryFlags() {
        static const char* flags[] = {"DISCARDABLE", "MOVEABLE", "FIXED", "PURE", "IMPURE", "PRELOAD", "LOADONCALL",
                                      "SHARED", "NONSHARED"};
        while (Peek().kind == TokenKind::Name) {
            bool isFlag = false;
            for (const char* f : flags) isFlag = isFlag || SameWord(Peek().word, f);
            if (!isFlag) return;
            Take();
        }
    }

    void ParseStatement() {
        if (PeekWord("STRINGTABLE")) {
            Take();
            SkipMemoryFlags();
            ParseStringTable();
            return;
        }
        if (PeekWord("LANGUAGE")) {
            Take();
            Expression(0);
            ExpectComma();
            Expression(0);
            return;
        }
        if (Peek().kind == TokenKind::Name && !defines_.count(Peek().word)) {
            Fail("unknown statement " + std::string(Peek().word));
        }
        int id = ResourceId();
        if (Peek().kind != TokenKind::Name) Fail("expected a resource type after the id");
        const std::string_view type = Take().word;
        SkipMemoryFlags();
        if (SameWord(type, "ACCELERATORS")) {
            ParseAccelerators(id);
        } else if (SameWord(type, "DIALOG") || SameWord(type, "DIALOGEX")) {
            ParseDialog(id, SameWord(type, "DIALOGEX"));
        } else if (SameWord(type, "ICON")) {
            ParseFile(id, script_.iconFiles, "icon");
        } else if (SameWord(type, "CURSOR")) {
            ParseFile(id, script_.cursorFiles, "cursor");
        } else {
            Fail("resource type not supported: " + std::string(type));
        }
    }

    void ParseStringTable() {
        ExpectBegin();
        while (!AtEnd()) {
            int id = ResourceId();
            TakeComma();
            std::u16string text = ExpectUtf16Text();
            if (script_.strings.count(id)) Fail("string " + std::to_string(id) + " given twice");
            CountResource();
            script_.strings.emplace(id, std::move(text));
        }
        Take();
    }

    void ParseAccelerators(int id) {
        if (script_.accelerators.count(id)) Fail("accelerator table " + std::to_string(id) + " given twice");
        CountResource();
        AcceleratorObject table;
        ExpectBegin();
        while (!AtEnd()) {
            if (table.entries.size() >= MaxAcceleratorEntries) Fail("too many accelerator entries");
            std::string keyText;
            bool keyIsText = Peek().kind == TokenKind::Text;
            int64_t key = 0;
            if (keyIsText) {
                keyText = Take().text;
            } else {
                key = Ranged(0, 0xFFFF, "key");
            }
            ExpectComma();
            int64_t command = Ranged(0, 0xFFFF, "command id");
            uint8_t flags = 0;
            bool virtualKey = false;
            while (PeekSymbol(',')) {
                Take();
                if (Peek().kind != TokenKind::Name) Fail("expected an accelerator option");
                const std::string_view option = Take().word;
                if (SameWord(option, "VIRTKEY")) {
                    virtualKey = true;
                } else if (SameWord(option, "ASCII")) {
                    virtualKey = false;
                } else if (SameWord(option, "NOINVERT")) {
                    flags |= AccelNoInvert;
                } else if (SameWord(option, "ALT")) {
                    flags |= AccelAlt;
                } else if (SameWord(option, "SHIFT")) {
                    flags |= AccelShift;
                } else if (SameWord(option, "CONTROL")) {
                    flags |= AccelControl;
                } else {
                    Fail("unknown accelerator option " + std::string(option));
                }
            }
            if (virtualKey) flags |= AccelVirtKey;
            if (keyIsText) key = TextKey(keyText, virtualKey);
            table.entries.push_back({flags, uint16_t(key), uint16_t(command)});
        }
        Take();
        if (!table.entries.empty()) table.entries.back().flags |= AccelLast;
        script_.accelerators.emplace(id, std::move(table));
    }

    // "a" is the character a (its upper-case letter for a virtual key); "^a" is Control with a.
    int64_t TextKey(const std::string& text, bool virtualKey) {
        auto upper = [](unsigned char c) { return int64_t(std::toupper(c)); };
        if (text.size() == 1 && static_cast<unsigned char>(text[0]) < 0x80) {
            unsigned char c = static_cast<unsigned char>(text[0]);
            return virtualKey ? upper(c) : int64_t(c);
        }
        if (text.size() == 2 && text[0] == '^' && std::isalpha(static_cast<unsigned char>(text[1]))) {
            return upper(static_cast<unsigned char>(text[1])) & 0x1F;
        }
        Fail("an accelerator key text must be one character or ^ and a letter");
    }

    void ParseFile(int id, std::map<int, std::string>& files, const char* kind) {
        if (files.count(id)) Fail(std::string(kind) + " " + std::to_string(id) + " given twice");
        std::string name = ExpectText();
        if (name.empty() || name.size() > 260) Fail(std::string(kind) + " file name empty or too long");
        CountResource();
        files.emplace(id, std::move(name));
    }

    void ParseDialog(int id, bool extended) {
        if (script_.dialogs.count(id)) Fail("dialog " + std::to_string(id) + " given twice");
        CountResource();
        DialogTemplateObject dialog;
        dialog.id = id;
        dialog.x = Coordinate();
        ExpectComma();
        dialog.y = Coordinate();
        ExpectComma();
        dialog.width = Coordinate();
        ExpectComma();
        dialog.height = Coordinate();
        if (extended && TakeComma()) Expression(0);  // help id, not used
        uint32_t style = StylePopup | StyleBorder | StyleSysMenu;
        bool hasCaption = false;
        bool hasFont = false;
        while (!(PeekWord("BEGIN") || PeekSymbol('{'))) {
            if (Peek().kind != TokenKind::Name) Fail("expected a dialog option or BEGIN");
            const std::string_view option = Take().word;
            if (SameWord(option, "STYLE")) {
                style = Flags();
            } else if (SameWord(option, "EXSTYLE")) {
                dialog.exStyle = Flags();
            } else if (SameWord(option, "CAPTION")) {
                dialog.caption = ExpectUtf16Text();
                hasCaption = true;
            } else if (SameWord(option, "FONT")) {
                dialog.fontSize = int(Ranged(0, 0x7FFF, "font size"));
                ExpectComma();
                dialog.fontName = ExpectUtf16Text();
                for (int i = 0; i < 3 && TakeComma(); ++i) Expression(0);  // weight, italic, charset
                hasFont = true;
            } else if (SameWord(option, "LANGUAGE")) {
                Expression(0);
                ExpectComma();
                Expression(0);
            } else {
                Fail("dialog option not supported: " + std::string(option));
            }
        }
        if (hasCaption) style |= StyleCaption;
        if (hasFont) style |= DialogSetFont;
        dialog.style = style;
        Take();  // BEGIN
        while (!AtEnd()) {
            if (dialog.controls.size() >= MaxDialogControls) Fail("too many controls in one dialog");
            dialog.controls.push_back(ParseControl());
        }
        Take();
        script_.dialogs.emplace(id, std::move(dialog));
    }

    // A control statement's class, base style (always kept) and default styles (replaced by a given
    // style), as the resource compiler has them.
    struct ControlKind {
        const char* keyword;
        const char16_t* className;
        uint32_t baseStyle;
        uint32_t defaultStyle;
        bool hasText;
    };

    DialogTemplateObject::Control ParseControl() {
        static const ControlKind kinds[] = {
            {"LTEXT", ClassStatic, 0x0, 0x0 | StyleGroup, true},
            {"CTEXT", ClassStatic, 0x1, 0x1 | StyleGroup, true},
            {"RTEXT", ClassStatic, 0x2, 0x2 | StyleGroup, true},
            {"PUSHBUTTON", ClassButton, 0x0, 0x0 | StyleTabStop, true},
            {"DEFPUSHBUTTON", ClassButton, 0x1, 0x1 | StyleTabStop, true},
            {"AUTOCHECKBOX", ClassButton, 0x3, 0x3 | StyleTabStop, true},
            {"EDITTEXT", ClassEdit, 0x0, 0x0 | StyleBorder | StyleTabStop, false},
            {"COMBOBOX", ClassComboBox, 0x0, 0x1 | StyleTabStop, false},
        };
        if (Peek().kind != TokenKind::Name) Fail("expected a control statement or END");
        const std::string_view keyword = Take().word;
        DialogTemplateObject::Control control;
        if (SameWord(keyword, "CONTROL")) return ParseGenericControl();
        if (SameWord(keyword, "ICON")) return ParseIconControl();
        for (const ControlKind& kind : kinds) {
            if (!SameWord(keyword, kind.keyword)) continue;
            control.className = kind.className;
            if (kind.hasText) {
                control.text = ExpectUtf16Text();
                ExpectComma();
            }
            control.id = ControlId();
            ParseRectangle(control);
            control.style = kind.defaultStyle;
            if (TakeComma()) {
                control.style = kind.baseStyle | Flags();
                if (TakeComma()) control.exStyle = Flags();
            }
            control.style |= ChildVisible;
            return control;
        }
        Fail("control statement not supported: " + std::string(keyword));
    }

    void ParseRectangle(DialogTemplateObject::Control& control) {
        ExpectComma();
        control.x = Coordinate();
        ExpectComma();
        control.y = Coordinate();
        ExpectComma();
        control.width = Coordinate();
        ExpectComma();
        control.height = Coordinate();
    }

    DialogTemplateObject::Control ParseIconControl() {
        constexpr uint32_t staticIcon = 0x3;
        DialogTemplateObject::Control control;
        control.className = ClassStatic;
        control.iconId = ResourceId();
        ExpectComma();
        control.id = ControlId();
        ExpectComma();
        control.x = Coordinate();
        ExpectComma();
        control.y = Coordinate();
        control.style = staticIcon;
        if (TakeComma()) {
            control.width = Coordinate();
            ExpectComma();
            control.height = Coordinate();
            if (TakeComma()) {
                control.style = staticIcon | Flags();
                if (TakeComma()) control.exStyle = Flags();
            }
        }
        control.style |= ChildVisible;
        return control;
    }

    DialogTemplateObject::Control ParseGenericControl() {
        DialogTemplateObject::Control control;
        if (Peek().kind == TokenKind::Text) {
            control.text = ExpectUtf16Text();
        } else {
            control.iconId = ResourceId();
        }
        ExpectComma();
        control.id = ControlId();
        ExpectComma();
        control.className = ClassName();
        ExpectComma();
        control.style = Flags() | ChildVisible;
        ParseRectangle(control);
        if (TakeComma()) control.exStyle = Flags();
        return control;
    }

    // The class of a CONTROL statement; the known classes get their usual spelling, since class names
    // do not depend on letter case.
    std::u16string ClassName() {
        static const std::pair<const char*, const char16_t*> known[] = {
            {"BUTTON", ClassButton},       {"STATIC", ClassStatic},           {"EDIT", ClassEdit},
            {"COMBOBOX", ClassComboBox},   {"msctls_trackbar32", ClassTrackbar}, {"SysTabControl32", ClassTabControl},
        };
        std::string name;
        if (Peek().kind == TokenKind::Text) {
            name = Take().text;
        } else if (Peek().kind == TokenKind::Name) {
            name = Take().word;
        } else {
            Fail("expected a control class");
        }
        for (const auto& [spelling, className] : known) {
            if (SameWord(name, spelling)) return className;
        }
        if (name.empty() || name.size() > 256) Fail("control class name empty or too long");
        return detail::FromUtf8(name);
    }

    Lexer& lexer_;
    Defines& defines_;
    const IncludeReader& readInclude_;
    int* includeCount_;
    std::optional<Token> peeked_;
    int line_ = 1;
    const std::string* file_ = nullptr;
    size_t resourceCount_ = 0;
    ResourceScript script_;
};

}  // namespace

std::optional<ResourceScript> ParseResourceScript(std::string_view text, const IncludeReader& readInclude,
                                                  std::string* error, const std::string& fileName) {
    try {
        if (text.size() > MaxScriptBytes) throw ScriptError{fileName + ": file too large"};
        Defines defines;
        int includeCount = 0;
        Lexer lexer(text, fileName);
        Parser parser(lexer, defines, readInclude, &includeCount);
        return parser.ParseScript();
    } catch (const ScriptError& e) {
        if (error) *error = e.message;
    } catch (const std::bad_alloc&) {
        if (error) *error = fileName + ": out of memory";
    }
    return std::nullopt;
}

}  // namespace platform::sim
