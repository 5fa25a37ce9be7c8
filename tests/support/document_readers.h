#pragma once
// Strict readers of the CSV and Prometheus texts the writers make, written from the
// formats' grammars and sharing nothing with the writers: a test or a fuzzer reads a
// document back with them and compares values. Each throws std::runtime_error, saying
// where, on anything the grammar does not allow. Standard library only.

#include <charconv>
#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace morvain::test
{

[[noreturn]] inline void refuse(const std::string &what, std::size_t at)
{
    throw std::runtime_error(what + " at byte " + std::to_string(at));
}

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no surrogates.
inline void checkUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = c < 0x80         ? 1
                              : (c >> 5) == 6  ? 2
                              : (c >> 4) == 14 ? 3
                              : (c >> 3) == 30 ? 4
                                               : 0;
        if (n == 0 || i + n > text.size())
            refuse("invalid UTF-8", i);
        char32_t cp = n == 1 ? c : n == 2 ? c & 0x1f : n == 3 ? c & 0x0f : c & 0x07;
        for (std::size_t k = 1; k < n; ++k) {
            const auto d = static_cast<unsigned char>(text[i + k]);
            if ((d >> 6) != 2)
                refuse("invalid UTF-8", i + k);
            cp = (cp << 6) | (d & 0x3f);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
            refuse("invalid UTF-8", i);
        i += n;
    }
}

// RFC 4180: every row ends with CRLF; a field is quoted, with quotes doubled inside, or
// holds no quote, CR or LF.
inline std::vector<std::vector<std::string>> readCsv(std::string_view text)
{
    checkUtf8(text);
    std::vector<std::vector<std::string>> rows;
    std::size_t i = 0;
    while (i < text.size()) {
        std::vector<std::string> row;
        for (;;) {
            std::string field;
            if (text[i] == '"') {
                for (++i;; ++i) {
                    if (i >= text.size())
                        refuse("unterminated quoted field", i);
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"')
                            ++i;
                        else
                            break;
                    }
                    field += text[i];
                }
                ++i; // the closing quote
            } else {
                for (; i < text.size() && text[i] != ',' && text[i] != '\r'; ++i) {
                    if (text[i] == '"' || text[i] == '\n')
                        refuse("quote or line feed in an unquoted field", i);
                    field += text[i];
                }
            }
            row.push_back(std::move(field));
            if (i < text.size() && text[i] == ',') {
                ++i;
                continue;
            }
            if (text.substr(i, 2) != "\r\n")
                refuse("a row that does not end with CRLF", i);
            i += 2;
            break;
        }
        if (!rows.empty() && row.size() != rows.front().size())
            refuse("a row of another width than the header", i);
        rows.push_back(std::move(row));
    }
    return rows;
}

// The text exposition format 0.0.4, as far as the writers use it: "# HELP" and "# TYPE"
// lines and samples `name{label="value",...} value`, every line ended by LF.
struct Sample {
    std::string name;
    std::map<std::string, std::string> labels; // values unescaped
    double value = 0;
};

struct Exposition {
    std::map<std::string, std::string> help; // unescaped
    std::map<std::string, std::string> type;
    std::vector<Sample> samples;

    // The samples named `name`.
    std::vector<Sample> named(std::string_view name) const
    {
        std::vector<Sample> found;
        for (const Sample &s : samples)
            if (s.name == name)
                found.push_back(s);
        return found;
    }
};

inline bool isNameChar(char c, bool first, bool colon)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (colon && c == ':') ||
           (!first && c >= '0' && c <= '9');
}

inline Exposition readPrometheus(std::string_view text)
{
    checkUtf8(text);
    if (!text.empty() && text.back() != '\n')
        refuse("a last line without LF", text.size());
    Exposition doc;
    // Each series once: its name, then each label in label order with its value's length.
    std::unordered_set<std::string> series;
    std::string family; // the family whose TYPE came last
    std::size_t i = 0;
    const auto name = [&](bool colon) {
        const std::size_t from = i;
        while (i < text.size() && isNameChar(text[i], i == from, colon))
            ++i;
        if (i == from)
            refuse("a name expected", i);
        return std::string(text.substr(from, i - from));
    };
    const auto expect = [&](char c) {
        if (i >= text.size() || text[i] != c)
            refuse(std::string("'") + c + "' expected", i);
        ++i;
    };
    while (i < text.size()) {
        if (text.substr(i, 7) == "# HELP " || text.substr(i, 7) == "# TYPE ") {
            const bool help = text[i + 2] == 'H';
            i += 7;
            const std::string n = name(true);
            expect(' ');
            std::string rest;
            for (; text[i] != '\n'; ++i) {
                if (help && text[i] == '\\') {
                    ++i;
                    if (text[i] != '\\' && text[i] != 'n')
                        refuse("an unknown escape in HELP", i);
                    rest += text[i] == 'n' ? '\n' : '\\';
                } else {
                    rest += text[i];
                }
            }
            ++i;
            auto &to = help ? doc.help : doc.type;
            if (!to.emplace(n, rest).second)
                refuse("a second HELP or TYPE for " + n, i);
            if (!help) {
                if (rest != "gauge" && rest != "counter" && rest != "untyped")
                    refuse("an unknown type " + rest, i);
                family = n;
            }
            continue;
        }
        if (text[i] == '#')
            refuse("a comment that is neither HELP nor TYPE", i);
        Sample s;
        s.name = name(true);
        if (s.name != family)
            refuse("a sample outside its family's TYPE: " + s.name, i);
        if (i < text.size() && text[i] == '{') {
            ++i;
            while (text[i] != '}') {
                const std::string label = name(false);
                expect('=');
                expect('"');
                std::string value;
                for (; text[i] != '"'; ++i) {
                    if (text[i] == '\n')
                        refuse("a line feed in a label value", i);
                    if (text[i] == '\\') {
                        ++i;
                        if (text[i] != '\\' && text[i] != '"' && text[i] != 'n')
                            refuse("an unknown escape in a label value", i);
                        value += text[i] == 'n' ? '\n' : text[i];
                    } else {
                        value += text[i];
                    }
                }
                ++i;
                if (!s.labels.emplace(label, value).second)
                    refuse("a label twice: " + label, i);
                if (text[i] == ',')
                    ++i;
                else if (text[i] != '}')
                    refuse("',' or '}' expected", i);
            }
            ++i;
        }
        expect(' ');
        const std::size_t end = text.find('\n', i);
        const std::string_view number = text.substr(i, end - i);
        const auto [at, error] =
            std::from_chars(number.data(), number.data() + number.size(), s.value);
        if (error != std::errc() || at != number.data() + number.size())
            refuse("a value that is no number", i);
        i = end + 1;
        std::string key = s.name;
        for (const auto &[label, value] : s.labels)
            key.append(1, ' ')
                .append(label)
                .append(1, '=')
                .append(std::to_string(value.size()))
                .append(1, ':')
                .append(value);
        if (!series.insert(std::move(key)).second)
            refuse("a series twice: " + s.name, i);
        doc.samples.push_back(std::move(s));
    }
    return doc;
}

} // namespace morvain::test
