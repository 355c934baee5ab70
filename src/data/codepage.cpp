// Code pages of dBASE character fields, converted with iconv.
#include "data/codepage.h"

#include "common/asciicase.h"
#include "common/error.h"

#include <cctype>
#include <cerrno>
#include <iconv.h>

namespace data {

namespace {

const char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

std::string codePageOfNumber(long number)
{
    if (number == 65001) return "UTF-8";
    if (number >= 88591 && number <= 885916) return "ISO-8859-" + std::to_string(number - 88590);
    if (number == 10000) return "MACINTOSH";
    if (number == 10007) return "MAC-CYRILLIC";
    if (number == 10029) return "MAC-CENTRALEUROPE";
    return "CP" + std::to_string(number);
}

// The length of the valid UTF-8 sequence starting at p, or 0 when it is not one (overlong forms,
// surrogates and values above U+10FFFF included).
std::size_t utf8Length(const unsigned char *p, std::size_t available)
{
    unsigned char c = p[0];
    if (c < 0x80) return 1;
    std::size_t length;
    unsigned int min;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (available < length) return 0;
    unsigned int value = c & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return length;
}

// The first bytes of a character that the end of the bytes cut off: a lead byte and as many
// continuation bytes as there is room for.
bool isCutCharacter(const unsigned char *p, std::size_t available)
{
    std::size_t length = 0;
    if (p[0] >= 0xC2 && p[0] <= 0xDF)
        length = 2;
    else if (p[0] >= 0xE0 && p[0] <= 0xEF)
        length = 3;
    else if (p[0] >= 0xF0 && p[0] <= 0xF4)
        length = 4;
    if (length == 0 || available >= length) return false;
    for (std::size_t i = 1; i < available; ++i)
        if ((p[i] & 0xC0) != 0x80) return false;
    return true;
}

std::string quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

// The usual xBase language driver ids and the Windows or DOS code page each stands for.
struct LanguageDriver
{
    unsigned char ldid;
    const char *codePage;
};
constexpr LanguageDriver kLanguageDrivers[] = {
    {0x01, "CP437"},
    {0x02, "CP850"},
    {0x03, "CP1252"},
    {0x04, "MACINTOSH"},
    {0x08, "CP865"},
    {0x09, "CP437"},
    {0x0A, "CP850"},
    {0x0B, "CP437"},
    {0x0D, "CP437"},
    {0x0E, "CP850"},
    {0x0F, "CP437"},
    {0x10, "CP850"},
    {0x11, "CP437"},
    {0x12, "CP850"},
    {0x13, "CP932"},
    {0x14, "CP850"},
    {0x15, "CP437"},
    {0x16, "CP850"},
    {0x17, "CP865"},
    {0x18, "CP437"},
    {0x19, "CP437"},
    {0x1A, "CP850"},
    {0x1B, "CP437"},
    {0x1C, "CP863"},
    {0x1D, "CP850"},
    {0x1F, "CP852"},
    {0x22, "CP852"},
    {0x23, "CP852"},
    {0x24, "CP860"},
    {0x25, "CP850"},
    {0x26, "CP866"},
    {0x37, "CP850"},
    {0x40, "CP852"},
    {0x4D, "CP936"},
    {0x4E, "CP949"},
    {0x4F, "CP950"},
    {0x50, "CP874"},
    {0x57, "CP1252"},
    {0x58, "CP1252"},
    {0x59, "CP1252"},
    {0x64, "CP852"},
    {0x65, "CP866"},
    {0x66, "CP865"},
    {0x67, "CP861"},
    {0x6A, "CP737"},
    {0x6B, "CP857"},
    {0x6C, "CP863"},
    {0x78, "CP950"},
    {0x79, "CP949"},
    {0x7A, "CP936"},
    {0x7B, "CP932"},
    {0x7C, "CP874"},
    {0x7D, "CP1255"},
    {0x7E, "CP1256"},
    {0x86, "CP737"},
    {0x87, "CP852"},
    {0x88, "CP857"},
    {0x96, "MAC-CYRILLIC"},
    {0x97, "MAC-CENTRALEUROPE"},
    {0xC8, "CP1250"},
    {0xC9, "CP1251"},
    {0xCA, "CP1254"},
    {0xCB, "CP1253"},
    {0xCC, "CP1257"},
};

} // namespace

std::string codePageOfLanguageDriver(unsigned char ldid)
{
    for (const auto &driver : kLanguageDrivers)
        if (driver.ldid == ldid) return driver.codePage;
    return {};
}

std::string codePageOfCpgText(std::string_view text)
{
    std::string t;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)) || !t.empty()) t += c;
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back())))
        t.pop_back();
    if (t.empty()) return {};
    const std::string upper = common::upperAscii(t);

    auto digitsAfter = [&](std::size_t from) -> std::string {
        std::size_t i = from;
        while (i < upper.size() && (upper[i] == ' ' || upper[i] == '_' || upper[i] == '-'))
            ++i;
        std::string digits = upper.substr(i);
        if (digits.empty() || digits.size() > 6) return {};
        for (char c : digits)
            if (!std::isdigit(static_cast<unsigned char>(c))) return {};
        return digits;
    };
    if (upper == "UTF-8" || upper == "UTF8") return "UTF-8";
    for (const char *prefix : {"", "ANSI", "OEM", "CP", "WINDOWS", "IBM"}) {
        std::string p = prefix;
        if (upper.compare(0, p.size(), p) != 0) continue;
        std::string digits = digitsAfter(p.size());
        if (!digits.empty()) return codePageOfNumber(std::stol(digits));
    }
    for (const char *prefix : {"ISO-8859-", "ISO8859-", "ISO 8859-", "ISO_8859-", "8859-", "8859_"}) {
        std::string p = prefix;
        if (upper.compare(0, p.size(), p) != 0) continue;
        std::string digits = digitsAfter(p.size());
        if (!digits.empty()) return "ISO-8859-" + std::to_string(std::stol(digits));
    }
    return t;
}

struct CodePage::Converter
{
    iconv_t toUtf8 = reinterpret_cast<iconv_t>(-1);
    iconv_t fromUtf8 = reinterpret_cast<iconv_t>(-1);

    ~Converter()
    {
        if (toUtf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(toUtf8);
        if (fromUtf8 != reinterpret_cast<iconv_t>(-1)) iconv_close(fromUtf8);
    }

    // Converts in whole; returns false at the first input iconv refuses. errno tells why.
    static bool convert(iconv_t cd, std::string_view in, std::string &out, std::size_t *consumed)
    {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char *inPtr = const_cast<char *>(in.data());
        std::size_t inLeft = in.size();
        char buffer[256];
        while (inLeft > 0) {
            char *outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, outPtr - buffer);
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
                *consumed = in.size() - inLeft;
                return false;
            }
        }
        char *outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        *consumed = in.size();
        return true;
    }
};

CodePage::CodePage(const std::string &name) : m_name(name), m_converter(std::make_unique<Converter>())
{
    if (name == "UTF-8") {
        m_utf8 = true;
        return;
    }
    m_converter->toUtf8 = iconv_open("UTF-8", name.c_str());
    m_converter->fromUtf8 = iconv_open(name.c_str(), "UTF-8");
    if (m_converter->toUtf8 == reinterpret_cast<iconv_t>(-1) ||
        m_converter->fromUtf8 == reinterpret_cast<iconv_t>(-1))
        throw common::DataError("Unknown code page '" + name + "'");

    // A code page in which every byte stands alone is decoded through a table; one with lead bytes
    // (the East Asian double-byte pages) goes through iconv value by value.
    m_singleByte = true;
    for (int b = 0; b < 256 && m_singleByte; ++b) {
        char byte = static_cast<char>(b);
        std::string out;
        std::size_t consumed = 0;
        if (b == 0) {
            m_table[0] = kReplacement;
        } else if (Converter::convert(m_converter->toUtf8, std::string_view(&byte, 1), out, &consumed)) {
            m_table[b] = out.empty() ? kReplacement : out;
        } else if (errno == EINVAL) {
            m_singleByte = false;
        } else {
            m_table[b] = kReplacement;
        }
    }
}

CodePage::~CodePage() = default;

void CodePage::decode(std::string_view bytes, std::string &out) const
{
    if (m_singleByte) {
        for (char c : bytes) {
            auto b = static_cast<unsigned char>(c);
            if (b >= 0x20 && b < 0x80)
                out += c;
            else
                out += m_table[b];
        }
        return;
    }
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    if (m_utf8) {
        for (std::size_t i = 0; i < bytes.size();) {
            std::size_t length = utf8Length(p + i, bytes.size() - i);
            // A character that a writer cut at the field's width is left out, not shown as U+FFFD.
            if (length == 0 && isCutCharacter(p + i, bytes.size() - i)) break;
            if (length == 0 || p[i] == 0) {
                out += kReplacement;
                ++i;
            } else {
                out.append(bytes.data() + i, length);
                i += length;
            }
        }
        return;
    }
    std::string_view rest = bytes;
    while (!rest.empty()) {
        std::size_t consumed = 0;
        std::size_t nul = rest.find('\0');
        std::string_view piece = rest.substr(0, nul);
        bool ok = Converter::convert(m_converter->toUtf8, piece, out, &consumed);
        if (ok && nul == std::string_view::npos) break;
        out += kReplacement;
        rest.remove_prefix(consumed + 1);
    }
}

std::string CodePage::decode(std::string_view bytes) const
{
    std::string out;
    decode(bytes, out);
    return out;
}

std::string CodePage::encode(std::string_view utf8, std::size_t maxBytes, bool cut, bool *tooLong) const
{
    if (tooLong) *tooLong = false;
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = utf8Length(p + i, utf8.size() - i);
        if (length == 0) throw common::DataError("The text " + quoted(utf8) + " is not valid UTF-8");
        std::string_view character = utf8.substr(i, length);
        std::string bytes;
        if (m_utf8) {
            bytes = character;
        } else {
            std::size_t consumed = 0;
            if (!Converter::convert(m_converter->fromUtf8, character, bytes, &consumed) || bytes.empty())
                throw common::DataError("The text " + quoted(utf8) + " cannot be written in code page " +
                                        m_name + ": it has no code for " + quoted(character));
        }
        if (out.size() + bytes.size() > maxBytes) {
            if (tooLong) *tooLong = true;
            if (cut) break;
        }
        out += bytes;
        i += length;
    }
    return out;
}

namespace {

constexpr const char *kUnmarked = "no language driver byte or .cpg file, and its text is ";

} // namespace

bool Utf8Evidence::add(std::string_view bytes)
{
    if (m_invalid) return false;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    for (std::size_t i = 0; i < bytes.size();) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = utf8Length(p + i, bytes.size() - i);
        if (length == 0) {
            m_cut = isCutCharacter(p + i, bytes.size() - i);
            m_invalid = !m_cut;
            return m_cut;
        }
        m_multiByte = true;
        i += length;
    }
    return true;
}

CodePageChoice Utf8Evidence::choice() const
{
    if (!m_invalid && m_multiByte)
        return {"UTF-8", CodePageSource::Utf8Text, kUnmarked + std::string("UTF-8")};
    return {kDefaultCodePage, CodePageSource::Default,
            "the default: " + std::string(kUnmarked) + (m_invalid || m_cut ? "not UTF-8" : "plain ASCII")};
}

std::size_t firstInvalidUtf8(std::string_view bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    for (std::size_t at = 0, n = bytes.size(); at < n;) {
        // Runs of ASCII, most of any text, are passed over without decoding.
        if (p[at] < 0x80) {
            ++at;
            continue;
        }
        const std::size_t length = utf8Length(p + at, n - at);
        if (length == 0) return at;
        at += length;
    }
    return std::string_view::npos;
}

bool isUtf8(std::string_view bytes)
{
    return firstInvalidUtf8(bytes) == std::string_view::npos;
}

std::string codePageDisplayName(const std::string &name)
{
    if (name.size() == 6 && name.compare(0, 4, "CP12") == 0) return "Windows-" + name.substr(2);
    return name;
}

std::string describeCodePage(const CodePageChoice &choice)
{
    return codePageDisplayName(choice.name) + " (" + choice.evidence + ")";
}

} // namespace data
