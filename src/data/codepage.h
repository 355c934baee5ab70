// Code pages of dBASE character fields: which one a file uses, and text converted between it and UTF-8.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace data {

// The code page a file without a language driver byte or a .cpg file is read in: the program's users
// are Central-European foresters whose tables come from Windows programs.
inline constexpr const char *kDefaultCodePage = "CP1250";
// The language driver byte of the files the engine creates (Windows Central European, CP1250).
inline constexpr unsigned char kDefaultLanguageDriver = 0xC8;

// The iconv name of a language driver byte (byte 29 of the header); empty for 0 and unknown bytes.
std::string codePageOfLanguageDriver(unsigned char ldid);
// The iconv name for the text of a .cpg file ("UTF-8", "1250", "ANSI 1252", "CP852", "8859-2" ...),
// empty when the text is blank.
std::string codePageOfCpgText(std::string_view text);

// Converts field bytes of one code page to UTF-8 and back. Throws common::DataError when iconv does not
// know the code page.
class CodePage
{
public:
    explicit CodePage(const std::string &name);
    ~CodePage();
    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;

    const std::string &name() const { return m_name; }

    // Appends the UTF-8 text of bytes to out; a byte sequence the code page does not define becomes
    // U+FFFD, so the result is always valid UTF-8.
    void decode(std::string_view bytes, std::string &out) const;
    std::string decode(std::string_view bytes) const;

    // The bytes of a UTF-8 text. When they are longer than maxBytes: cut at a character boundary when
    // cut is true, otherwise tooLong is set. Throws common::DataError when the text is not valid UTF-8
    // or holds a character the code page cannot write.
    std::string encode(std::string_view utf8, std::size_t maxBytes, bool cut, bool *tooLong = nullptr) const;

private:
    struct Converter;
    std::string m_name;
    bool m_utf8 = false;
    bool m_singleByte = false;
    std::string m_table[256]; // UTF-8 of each byte, for single-byte code pages
    std::unique_ptr<Converter> m_converter;
};

// How the code page of a file was decided, strongest first: a .cpg file beside the table, the
// language driver byte, or, for a file with neither, its text.
enum class CodePageSource {
    CpgFile,        // the .cpg file names it
    LanguageDriver, // byte 29 of the header names it
    Utf8Text,       // unmarked, and the text is UTF-8 with characters beyond ASCII
    Default,        // unmarked, and the text is not such UTF-8: kDefaultCodePage
};

struct CodePageChoice
{
    std::string name; // iconv name
    CodePageSource source = CodePageSource::Default;
    std::string evidence; // what named it or what the text held, as words for users
    bool operator==(const CodePageChoice &) const = default;
};

// Looks at the text of a file that names no code page: it is read as UTF-8 when every value is valid
// UTF-8 and at least one holds a character beyond ASCII, otherwise in kDefaultCodePage. A value that
// fills its field and ends in the first bytes of a character counts as valid: some writers cut UTF-8
// text at the field's width in the middle of a character.
class Utf8Evidence
{
public:
    // Adds the bytes of one field; false once the text can no longer be UTF-8, so the rest need not be
    // looked at.
    bool add(std::string_view bytes);
    CodePageChoice choice() const;

private:
    bool m_seen = false;
    bool m_invalid = false;
    bool m_multiByte = false;
    bool m_cut = false; // a value ended in a cut character
};

// True when the bytes are valid UTF-8 from end to end (overlong forms, surrogates and a character cut
// by the end included as faults).
bool isUtf8(std::string_view bytes);
// The offset of the first byte where the bytes stop being valid UTF-8; npos when they are valid.
std::size_t firstInvalidUtf8(std::string_view bytes);

// The name users know a code page by: "Windows-1250" for CP1250, otherwise the iconv name.
std::string codePageDisplayName(const std::string &name);
// The code page and how it was decided, for users: "UTF-8 (no language driver byte or .cpg file; ...)".
std::string describeCodePage(const CodePageChoice &choice);

} // namespace data
