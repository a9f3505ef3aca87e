#include "util/DesktopExec.h"

namespace varnolt {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool IsUrlCode(char code) {
    return code == 'u' || code == 'U' || code == 'f' || code == 'F';
}

bool IsEntryCode(char code) {
    return code == 'i' || code == 'c' || code == 'k';
}

bool IsDeprecatedCode(char code) {
    return code == 'd' || code == 'D' || code == 'n' || code == 'N' || code == 'v' || code == 'm';
}

bool CodesOnly(const ExecArgument& argument) {
    for (const ExecPiece& piece : argument) {
        if (piece.code == 0) {
            return false;
        }
    }
    return true;
}

// Builds the arguments of one Exec line piece by piece.
class ExecBuilder {
public:
    void Text(char c) {
        TextPiece().text.push_back(c);
        started_ = true;
    }
    // An argument that holds text, even none, as "" does.
    void Quoted() {
        TextPiece();
        started_ = true;
    }
    void Code(char code) {
        current_.push_back(ExecPiece{std::string(), code});
        started_ = true;
    }
    // A removed code still makes an argument, one that gives nothing.
    void Removed() { started_ = true; }
    void End() {
        if (started_) {
            arguments_.push_back(std::move(current_));
        }
        current_.clear();
        started_ = false;
    }
    std::vector<ExecArgument> Take() {
        End();
        return std::move(arguments_);
    }

private:
    ExecPiece& TextPiece() {
        if (current_.empty() || current_.back().code != 0) {
            current_.push_back(ExecPiece{});
        }
        return current_.back();
    }
    std::vector<ExecArgument> arguments_;
    ExecArgument current_;
    bool started_ = false;
};

std::string CodeValue(char code, std::string_view url, const ExecEntryValues& entry) {
    switch (code) {
        case 'i':
            return entry.icon;
        case 'c':
            return entry.name;
        case 'k':
            return entry.location;
        default:
            return IsUrlCode(code) ? std::string(url) : std::string();
    }
}

}  // namespace

std::string UnescapeStringValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out.push_back(value[i]);
            continue;
        }
        const char next = value[i + 1];
        switch (next) {
            case 's':
                out.push_back(' ');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case '\\':
                out.push_back('\\');
                break;
            default:
                out.push_back('\\');
                out.push_back(next);
                break;
        }
        ++i;
    }
    return out;
}

std::optional<std::vector<ExecArgument>> ParseExec(std::string_view exec) {
    ExecBuilder b;
    std::size_t i = 0;
    const std::size_t n = exec.size();
    while (i < n) {
        const char c = exec[i];
        if (IsBlank(c)) {
            b.End();
            ++i;
        } else if (c == '"') {
            b.Quoted();
            for (++i;; ++i) {
                if (i >= n) {
                    return std::nullopt;  // the quote is never closed
                }
                const char q = exec[i];
                if (q == '"') {
                    break;
                }
                if (q == '\\' && i + 1 < n &&
                    (exec[i + 1] == '"' || exec[i + 1] == '`' || exec[i + 1] == '$' ||
                     exec[i + 1] == '\\')) {
                    b.Text(exec[++i]);
                } else if (q == '%' && i + 1 < n && exec[i + 1] == '%') {
                    b.Text('%');
                    ++i;
                } else {
                    b.Text(q);
                }
            }
            ++i;
        } else if (c == '\'') {
            b.Quoted();
            const std::size_t close = exec.find('\'', i + 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            for (std::size_t j = i + 1; j < close; ++j) {
                b.Text(exec[j]);
                if (exec[j] == '%' && j + 1 < close && exec[j + 1] == '%') {
                    ++j;
                }
            }
            i = close + 1;
        } else if (c == '\\') {
            if (i + 1 >= n) {
                return std::nullopt;
            }
            b.Text(exec[i + 1]);
            i += 2;
        } else if (c == '%') {
            if (i + 1 >= n) {
                return std::nullopt;
            }
            const char code = exec[i + 1];
            if (code == '%') {
                b.Text('%');
            } else if (IsUrlCode(code) || IsEntryCode(code)) {
                b.Code(code);
            } else if (IsDeprecatedCode(code)) {
                b.Removed();
            } else {
                return std::nullopt;
            }
            i += 2;
        } else {
            b.Text(c);
            ++i;
        }
    }
    return b.Take();
}

std::vector<std::string> ExpandExec(const std::vector<ExecArgument>& arguments,
                                    std::string_view url, const ExecEntryValues& entry) {
    std::vector<std::string> argv;
    for (const ExecArgument& argument : arguments) {
        const bool codesOnly = CodesOnly(argument);
        if (codesOnly && argument.size() == 1 && argument[0].code == 'i') {
            if (!entry.icon.empty()) {
                argv.push_back("--icon");
                argv.push_back(entry.icon);
            }
            continue;
        }
        std::string value;
        for (const ExecPiece& piece : argument) {
            value += piece.code == 0 ? piece.text : CodeValue(piece.code, url, entry);
        }
        if (codesOnly && value.empty()) {
            continue;
        }
        argv.push_back(std::move(value));
    }
    return argv;
}

std::string QuoteExecArgument(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            out.push_back('\\');
        } else if (c == '%') {
            out.push_back('%');
        }
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

std::string ResolveEntryCodes(const std::vector<ExecArgument>& arguments,
                              const ExecEntryValues& entry) {
    std::vector<std::string> words;
    for (const ExecArgument& argument : arguments) {
        const bool codesOnly = CodesOnly(argument);
        if (codesOnly && argument.size() == 1 && argument[0].code == 'i') {
            if (!entry.icon.empty()) {
                words.push_back("--icon");
                words.push_back(QuoteExecArgument(entry.icon));
            }
            continue;
        }
        std::string word;
        bool url = false;
        for (const ExecPiece& piece : argument) {
            if (piece.code == 0) {
                word += QuoteExecArgument(piece.text);
            } else if (IsUrlCode(piece.code)) {
                word += '%';
                word += piece.code;
                url = true;
            } else {
                const std::string value = CodeValue(piece.code, std::string_view(), entry);
                if (!value.empty()) {
                    word += QuoteExecArgument(value);
                }
            }
        }
        if (codesOnly && !url && word.empty()) {
            continue;
        }
        words.push_back(std::move(word));
    }
    std::string line;
    for (const std::string& w : words) {
        if (!line.empty()) {
            line.push_back(' ');
        }
        line += w;
    }
    return line;
}

}  // namespace varnolt
