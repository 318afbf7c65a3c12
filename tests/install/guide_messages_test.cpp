// The user's guide shows every text the program can put on the screen in the
// program's own words: each string-table entry is found, word for word, in
// the text that pdftotext takes out of the committed PDF. And the PDF is made
// from the guide's HTML as it stands: every chapter and section heading of
// the HTML is in it, in order (tools/make-guide.sh builds it again).
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

// The headings of the guide's HTML (<h1> and <h2>), their tags taken out and
// the few entities they use written as the PDF shows them.
std::vector<std::string> HtmlHeadings()
{
    std::ifstream file(SONNELITH_GUIDE_HTML);
    const std::string html((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const std::regex heading("<h[12][^>]*>([\\s\\S]*?)</h[12]>");
    const std::regex tag("<[^>]*>");
    const std::pair<const char*, const char*> entities[] = {
        {"&amp;", "&"}, {"&nbsp;", " "}, {"&rsquo;", "\u2019"}, {"&ndash;", "\u2013"}, {"&mdash;", "\u2014"}};
    std::vector<std::string> headings;
    for (std::sregex_iterator it(html.begin(), html.end(), heading), end; it != end; ++it) {
        std::string text = std::regex_replace((*it)[1].str(), tag, " ");
        for (const auto& [entity, character] : entities)
            text = std::regex_replace(text, std::regex(entity), character);
        headings.push_back(CollapseSpace(text));
    }
    return headings;
}

// A PDF made before the HTML last changed lacks its new chapters and
// sections: rebuild it with tools/make-guide.sh.
TEST(GuidePdf, HoldsEveryHeadingOfTheHtmlInOrder)
{
    ASSERT_FALSE(GuideText().empty()) << "pdftotext could not read " << SONNELITH_GUIDE_PDF;
    const std::vector<std::string> headings = HtmlHeadings();
    ASSERT_GT(headings.size(), 20u) << "the headings of " << SONNELITH_GUIDE_HTML;
    std::size_t at = 0;
    for (const std::string& heading : headings) {
        EXPECT_EQ(heading.find('&'), std::string::npos) << "an entity the test does not know: " << heading;
        const std::size_t found = GuideText().find(heading, at);
        EXPECT_NE(found, std::string::npos) << "not in the PDF after the heading before: \"" << heading << "\"";
        if (found != std::string::npos)
            at = found + heading.size();
    }
}

TEST(GuideShowsMenu, TheAboutItemWithoutItsMnemonic)
{
    std::string item = LoadResourceString(IDS_ABOUTBOX);
    std::erase(item, '&');
    EXPECT_NE(GuideText().find(item), std::string::npos) << item;
}

}  // namespace
