// Reading pictures from outside the program: the independent readers' output and the texts of the
// SVG drawings they make.
#pragma once

#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace testsupport {

// The output of a reader's command without its last line end; a failing command fails the test.
inline std::string readerOutput(const std::string &command)
{
    std::string out;
    const int status = runCommand(command + " 2>/dev/null", &out);
    EXPECT_EQ(status, 0) << command;
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

// The texts of an SVG, joined in their order: wmf2svg writes one text element per character, emf2svg
// one per text in a CDATA section.
inline std::string svgTexts(const std::string &svg)
{
    static const std::regex text("<text[^>]*>(?:<!\\[CDATA\\[([^\\]]*)\\]\\]>|([^<]*))</text>");
    std::string joined;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text); it != std::sregex_iterator(); ++it)
        joined += (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
    return joined;
}

// A number attribute of the svg element; -1 when it has none.
inline double svgNumber(const std::string &svg, const std::string &attribute)
{
    std::smatch match;
    if (!std::regex_search(svg, match, std::regex("<svg[^>]*\\s" + attribute + "=\"([0-9.]+)"))) return -1;
    return std::stod(match[1].str());
}

} // namespace testsupport
