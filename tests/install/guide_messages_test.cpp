// The user's guide shows every text the program can put on the screen in the
// program's own words: each string-table entry is found, word for word, in
// the text that pdftotext takes out of the committed PDF. The PDF is built
// from guide.html by hand (tools/make-guide.sh): every heading of the HTML is
// in it, so a chapter written but not built into the PDF is caught.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "resources/strings/resource_ids.h"
#include "resources/strings/string_table.h"

namespace {

// Every run of white space (line breaks and tabs of the messages, line and
// page breaks of the PDF) as one space.
std::string CollapseSpace(const std::string& text)
{
    std::string result;
    bool space = false;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = true;
            continue;
        }
        if (space && !result.empty())
            result += ' ';
        space = false;
        result += c;
    }
    return result;
}

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Read straight from pdftotext's output: each case runs as a process of its
// own, and cases running side by side must not share a scratch file.
const std::string& GuideText()
{
    static const std::string text = [] {
        const std::string command = "pdftotext -enc UTF-8 " + ShellQuoted(SONNELITH_GUIDE_PDF) + " -";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr)
            return std::string();
        std::string content;
        char chunk[4096];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
            content.append(chunk, got);
        if (pclose(pipe) != 0)
            return std::string();
        return CollapseSpace(content);
    }();
    return text;
}

// The parts of a message between its placeholders (%1 .. %9), which the
// guide fills with an example.
std::vector<std::string> FixedParts(const std::string& message)
{
    std::vector<std::string> parts;
    const std::regex placeholder("%[1-9]");
    for (std::sregex_token_iterator it(message.begin(), message.end(), placeholder, -1), end; it != end; ++it) {
        const std::string part = CollapseSpace(*it);
        if (!part.empty())
            parts.push_back(part);
    }
    return parts;
}

class GuideShowsMessage : public testing::TestWithParam<int> {};

TEST_P(GuideShowsMessage, InTheProgramsOwnWords)
{
    ASSERT_FALSE(GuideText().empty()) << "pdftotext could not read " << SONNELITH_GUIDE_PDF;
    const char* message = LoadResourceString(GetParam());
    ASSERT_NE(message, nullptr);
    for (const std::string& part : FixedParts(message))
        EXPECT_NE(GuideText().find(part), std::string::npos) << "not in the guide: \"" << part << "\"";
}

// Every message box text, the cancel question, the success message, the
// eight button tooltips, and the command-line generator's messages about files.
INSTANTIATE_TEST_SUITE_P(
    AllMessages, GuideShowsMessage,
    testing::Values(IDS_TIP_RESTORE, IDS_TIP_INPUT_FILE, IDS_TIP_OUTPUT_FILE, IDS_TIP_GENERATE, IDS_TIP_PLAY,
                    IDS_TIP_USER_GUIDE, IDS_TIP_ABOUT, IDS_TIP_WEB_SITE, IDS_CONFIRM_CANCEL, IDS_ERR_OPEN_INPUT,
                    IDS_GENERATION_DONE, IDS_ERR_SOURCE_MEMORY, IDS_ERR_CREATE_OUTPUT, IDS_ERR_OUTPUT_MEMORY,
                    IDS_ERR_WINDOW_MEMORY, IDS_ERR_PLAY, IDS_SELECT_OUTPUT, IDS_ERR_USER_GUIDE, IDS_SELECT_INPUT,
                    IDS_ERR_DISK_SPACE, IDS_ERR_SAME_FILE, IDS_ERR_SCREEN, IDS_ERR_INPUT_TOO_SHORT,
                    IDS_ERR_FILE_FAILURE, IDS_ERR_UNEXPECTED, IDS_ERR_READ_INPUT, IDS_ERR_WRITE_OUTPUT,
                    IDS_ERR_INPUT_SHORTER_THAN_GRAIN, IDS_ERR_INPUT_SHORTER_THAN_ANY_GRAIN,
                    IDS_ERR_INPUT_SHORTER_THAN_TRANSPOSED_GRAIN),
    [](const testing::TestParamInfo<int>& info) { return "String" + std::to_string(info.param); });

// The words of each heading of guide.html (h1 to h3), its chapter number
// included, without the tags.
std::vector<std::string> HtmlHeadings()
{
    std::ifstream in(SONNELITH_GUIDE_HTML);
    const std::string html{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::regex heading("<h[1-3][^>]*>([\\s\\S]*?)</h[1-3]>");
    const std::regex tag("<[^>]*>");
    std::vector<std::string> headings;
    for (std::sregex_iterator it(html.begin(), html.end(), heading), end; it != end; ++it)
        headings.push_back(CollapseSpace(std::regex_replace((*it)[1].str(), tag, "")));
    return headings;
}

// The PDF's text with words broken at a line's end joined again (WeasyPrint
// breaks them with U+2010).
std::string UnhyphenatedGuideText()
{
    std::string text = GuideText();
    const std::string broken = "\u2010 ";
    for (std::size_t at = text.find(broken); at != std::string::npos; at = text.find(broken, at))
        text.erase(at, broken.size());
    return text;
}

TEST(GuideFollowsItsSource, EveryHeadingOfTheHtmlIsInThePdf)
{
    const std::vector<std::string> headings = HtmlHeadings();
    ASSERT_GT(headings.size(), 20u) << "the headings of " << SONNELITH_GUIDE_HTML << " were not found";
    const std::string text = UnhyphenatedGuideText();
    for (const std::string& heading : headings) {
        ASSERT_EQ(heading.find('&'), std::string::npos) << "a heading with an entity: " << heading;
        EXPECT_NE(text.find(heading), std::string::npos)
            << "\"" << heading << "\" is in guide.html but not in the PDF: build it again with tools/make-guide.sh";
    }
}

TEST(GuideShowsMenu, TheAboutItemWithoutItsMnemonic)
{
    std::string item = LoadResourceString(IDS_ABOUTBOX);
    std::erase(item, '&');
    EXPECT_NE(GuideText().find(item), std::string::npos) << item;
}

}  // namespace
