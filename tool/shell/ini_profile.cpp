#include "ini_profile.h"

#include "decimal.h"

#include <climits>
#include <cstdint>

namespace {

struct Line {
    size_t begin;  // first byte of the line
    size_t end;    // one past its last byte, before the line end
    size_t next;   // first byte of the following line (after CR LF, LF or CR)
};

// Walks the buffer line by line.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : m_text(text) {}
    bool Next(Line& line)
    {
        if (m_pos >= m_text.size())
            return false;
        size_t end = m_pos;
        while (end < m_text.size() && m_text[end] != '\r' && m_text[end] != '\n')
            ++end;
        size_t next = end;
        if (next < m_text.size()) {
            if (m_text[next] == '\r' && next + 1 < m_text.size() && m_text[next + 1] == '\n')
                next += 2;
            else
                next += 1;
        }
        line = Line{m_pos, end, next};
        m_pos = next;
        return true;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// The section name when the line opens a section: '[' first, the name up to the line's last ']'.
// A line with no ']' opens nothing.
std::optional<std::string_view> SectionName(std::string_view line)
{
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const size_t close = line.rfind(']');
    if (close == std::string_view::npos || close == 0)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view name;   // trimmed
    std::string_view value;  // trimmed
    size_t nameEnd;          // offset in the line just past the (trimmed) key name
};

// The key and value when the line is a key line (not a comment, holds an '=').
std::optional<KeyLine> ParseKeyLine(std::string_view line)
{
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';')
        return std::nullopt;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    std::string_view rawName = line.substr(0, eq);
    while (!rawName.empty() && IsBlank(rawName.back()))
        rawName.remove_suffix(1);
    return KeyLine{Trim(rawName), Trim(line.substr(eq + 1)), rawName.size()};
}

// Where a section's lines are in the buffer.
struct SectionSpan {
    Line header;
    size_t bodyEnd;  // start of the next section's header, or the end of the buffer
};

std::optional<SectionSpan> FindSection(std::string_view ini, std::string_view section)
{
    LineCursor cursor(ini);
    Line line;
    std::optional<SectionSpan> found;
    while (cursor.Next(line)) {
        const auto name = SectionName(ini.substr(line.begin, line.end - line.begin));
        if (!name)
            continue;
        if (found) {
            found->bodyEnd = line.begin;
            return found;
        }
        if (SameName(*name, section))
            found = SectionSpan{line, ini.size()};
    }
    return found;
}

struct KeyHit {
    Line line;
    KeyLine key;
};

std::optional<KeyHit> FindKey(std::string_view ini, const SectionSpan& span, std::string_view key)
{
    const std::string_view body = ini.substr(0, span.bodyEnd);
    LineCursor cursor(body.substr(span.header.next));
    Line line;
    while (cursor.Next(line)) {
        const size_t base = span.header.next;
        const Line abs{line.begin + base, line.end + base, line.next + base};
        const auto k = ParseKeyLine(ini.substr(abs.begin, abs.end - abs.begin));
        if (k && SameName(k->name, key))
            return KeyHit{abs, *k};
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string_view> IniLookup(std::string_view ini, std::string_view section,
                                          std::string_view key)
{
    const auto span = FindSection(ini, section);
    if (!span)
        return std::nullopt;
    const auto hit = FindKey(ini, *span, key);
    if (!hit)
        return std::nullopt;
    return hit->key.value;
}

std::string IniReadString(std::string_view ini, std::string_view section, std::string_view key,
                          std::string_view fallback)
{
    const auto found = IniLookup(ini, section, key);
    std::string_view v = found ? *found : fallback;
    if (found && v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    // The reader hands back a C string from a 100-byte buffer.
    v = v.substr(0, v.find('\0'));
    return std::string(v.substr(0, INI_TEXT_MAX));
}

int IniReadInt(std::string_view ini, std::string_view section, std::string_view key, int fallback)
{
    const auto found = IniLookup(ini, section, key);
    if (!found || found->empty())
        return fallback;
    return DecimalValue(*found);
}

void IniWriteString(std::string& ini, std::string_view section, std::string_view key,
                    std::string_view value)
{
    value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
    const std::string_view view(ini);

    const auto span = FindSection(view, section);
    if (!span) {
        if (!ini.empty() && ini.back() != '\n' && ini.back() != '\r')
            ini += "\r\n";
        ini.append("[").append(section).append("]\r\n");
        ini.append(key).append("=").append(value).append("\r\n");
        return;
    }

    if (const auto hit = FindKey(view, *span, key)) {
        // Keep the line's own key text (and any indentation); replace what follows it.
        const size_t from = hit->line.begin + hit->key.nameEnd;
        std::string replacement = "=";
        replacement.append(value);
        ini.replace(from, hit->line.end - from, replacement);
        return;
    }

    // A new key goes after the section's last non-blank line, so the blank lines that part it
    // from the next section stay where they are.
    Line last = span->header;
    LineCursor cursor(view.substr(0, span->bodyEnd).substr(span->header.next));
    Line line;
    while (cursor.Next(line)) {
        const size_t base = span->header.next;
        if (!Trim(view.substr(line.begin + base, line.end - line.begin)).empty())
            last = Line{line.begin + base, line.end + base, line.next + base};
    }
    std::string added;
    if (last.next == last.end)  // the line has no line end: it is the buffer's last
        added = "\r\n";
    added.append(key).append("=").append(value).append("\r\n");
    ini.insert(last.next, added);
}
