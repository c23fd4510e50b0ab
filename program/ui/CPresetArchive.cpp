#include "program/ui/CPresetArchive.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>

#include "program/ui/AnsiText.h"

namespace {

constexpr std::uint32_t kNewClassTag = 0xFFFF;
constexpr std::uint32_t kClassTag = 0x8001;  // the class's index 1 with the class bit
constexpr std::uint32_t kSchema = 1;
constexpr std::string_view kClassName = "CPresets";
constexpr std::uint32_t kBigCount = 0xFFFF;
constexpr std::size_t kFields = 1 + ParameterTable::Count;

void AppendLittleEndian(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void AppendNumber(std::string& out, int value)
{
    char text[16];
    char* end = std::to_chars(text, text + sizeof text, value).ptr;
    *end++ = ' ';
    CPresetArchive::AppendString(out, std::string_view(text, static_cast<std::size_t>(end - text)));
}

std::string Hex16(std::uint32_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

// Reads front to back; every step first checks that the bytes it needs are there.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes(bytes) {}

    bool Number(std::uint32_t& value, int size)
    {
        if (Left() < static_cast<std::size_t>(size)) return false;
        value = 0;
        for (int i = 0; i < size; ++i)
            value |= std::uint32_t(static_cast<unsigned char>(bytes[pos + i])) << (8 * i);
        pos += static_cast<std::size_t>(size);
        return true;
    }

    bool Bytes(std::uint32_t length, std::string_view& text)
    {
        if (Left() < length) return false;
        text = bytes.substr(pos, length);
        pos += length;
        return true;
    }

    // wide is set for the 0xFFFE prefix, which announces a wide-character string.
    bool String(std::string_view& text, bool& wide)
    {
        std::uint32_t length = 0;
        wide = false;
        if (!Number(length, 1)) return false;
        if (length == 0xFF) {
            if (!Number(length, 2)) return false;
            if (length == 0xFFFE) return !(wide = true);
            if (length == 0xFFFF && !Number(length, 4)) return false;
        }
        return Bytes(length, text);
    }

    std::size_t Left() const { return bytes.size() - pos; }
    std::size_t Position() const { return pos; }

private:
    std::string_view bytes;
    std::size_t pos = 0;
};

std::string CutShort(std::uint32_t index, std::uint32_t count)
{
    return "it ends inside preset " + std::to_string(index + 1ull) + " of " + std::to_string(count);
}

// The object reference of preset index; "" when it is the expected one.
std::string ReadReference(Reader& in, std::uint32_t index, std::uint32_t count)
{
    const std::size_t at = in.Position();
    std::uint32_t tag = 0;
    if (!in.Number(tag, 2)) return CutShort(index, count);
    const std::uint32_t expected = index == 0 ? kNewClassTag : kClassTag;
    if (tag != expected)
        return "preset " + std::to_string(index + 1ull) + " has the tag " + Hex16(tag) + " at byte " +
               std::to_string(at) + " instead of " + Hex16(expected);
    if (index > 0) return "";
    std::uint32_t schema = 0, nameLength = 0;
    std::string_view className;
    if (!in.Number(schema, 2) || !in.Number(nameLength, 2) || !in.Bytes(nameLength, className))
        return CutShort(index, count);
    if (schema != kSchema || className != kClassName)
        return "the class record at byte " + std::to_string(at) + " is not that of version 1 presets";
    return "";
}

std::string ReadPreset(Reader& in, std::uint32_t index, std::uint32_t count, CPresets& preset)
{
    if (std::string problem = ReadReference(in, index, count); !problem.empty()) return problem;
    std::string_view fields[kFields];
    for (std::string_view& field : fields) {
        const std::size_t at = in.Position();
        bool wide = false;
        if (in.String(field, wide)) continue;
        if (!wide) return CutShort(index, count);
        return "preset " + std::to_string(index + 1ull) + " holds a wide-character string at byte " +
               std::to_string(at) + ", which this program does not read";
    }
    preset.name = NameFromFile(fields[0]);
    if (preset.name != fields[0]) preset.storedName = fields[0];
    SaturationSettings values{};
    for (const ParameterInfo& p : ParameterTable::All)
        values[p.id] = CPresetArchive::ParseNumber(fields[1 + static_cast<std::size_t>(p.id)]);
    preset.SetSettings(values);
    return "";
}

} // namespace

void CPresetArchive::AppendString(std::string& out, std::string_view text)
{
    const std::size_t length = text.size();
    if (length < 0xFF) {
        AppendLittleEndian(out, static_cast<std::uint32_t>(length), 1);
    } else if (length < 0xFFFE) {
        out += '\xFF';
        AppendLittleEndian(out, static_cast<std::uint32_t>(length), 2);
    } else {
        out += '\xFF';
        AppendLittleEndian(out, 0xFFFF, 2);
        AppendLittleEndian(out, static_cast<std::uint32_t>(length), 4);
    }
    out += text;
}

std::string CPresetArchive::Write(const List& presets)
{
    std::string out;
    const auto count = static_cast<std::uint32_t>(presets.size());
    if (count < kBigCount) {
        AppendLittleEndian(out, count, 2);
    } else {
        AppendLittleEndian(out, kBigCount, 2);
        AppendLittleEndian(out, count, 4);
    }
    for (std::size_t i = 0; i < presets.size(); ++i) {
        if (i == 0) {
            AppendLittleEndian(out, kNewClassTag, 2);
            AppendLittleEndian(out, kSchema, 2);
            AppendLittleEndian(out, static_cast<std::uint32_t>(kClassName.size()), 2);
            out += kClassName;
        } else {
            AppendLittleEndian(out, kClassTag, 2);
        }
        const CPresets& preset = *presets[i];
        AppendString(out, preset.NameForFile());
        const SaturationSettings values = preset.GetSettings();
        for (const ParameterInfo& p : ParameterTable::All)
            AppendNumber(out, values[p.id]);
    }
    return out;
}

CPresetArchive::ReadResult CPresetArchive::Read(std::string_view bytes)
{
    ReadResult result;
    Reader in(bytes);
    std::uint32_t count = 0;
    if (bytes.empty()) {
        result.problem = "it is empty";
    } else if (!in.Number(count, 2) || (count == kBigCount && !in.Number(count, 4))) {
        result.problem = "it ends inside the preset count";
    }
    for (std::uint32_t i = 0; i < count && result.problem.empty(); ++i) {
        auto preset = std::make_unique<CPresets>();
        result.problem = ReadPreset(in, i, count, *preset);
        if (result.problem.empty()) result.presets.push_back(std::move(preset));
    }
    if (result.problem.empty() && in.Left() > 0)
        result.problem = std::to_string(in.Left()) + " bytes follow its last preset";
    result.damaged = !result.problem.empty();
    return result;
}

int CPresetArchive::ParseNumber(std::string_view text) noexcept
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;  // magnitude, held at INT_MAX + 1 once it is beyond int
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    if (negative) return static_cast<int>(-value);
    return static_cast<int>(std::min(value, static_cast<long long>(INT_MAX)));
}
