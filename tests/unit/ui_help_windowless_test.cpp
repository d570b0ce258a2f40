// The help's decisions: where the page lies, the address a browser gets for it,
// and that every section the program can ask for exists in the page.
#include "ui/HelpWindowless.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>

namespace {

TEST(HelpLogic, ThePageLiesBesideTheProgramFile) {
    EXPECT_EQ(ui::helpPagePath("C:\\Users\\A B\\AppData\\Local\\Programs\\Vellumere\\Vellumere.exe"),
              "C:\\Users\\A B\\AppData\\Local\\Programs\\Vellumere\\vellumere.html");
    EXPECT_EQ(ui::helpPagePath("C:\\Vellumere.exe"), "C:\\vellumere.html");
    EXPECT_EQ(ui::helpPagePath("\\\\server\\share\\Vellumere.exe"), "\\\\server\\share\\vellumere.html");
    EXPECT_EQ(ui::helpPagePath("Vellumere.exe"), "vellumere.html");
    // A program file named in Chinese.
    EXPECT_EQ(ui::helpPagePath("C:\\Tools\\\xE8\xA1\xA8.exe"), "C:\\Tools\\vellumere.html");
}

TEST(HelpLogic, AddressesKeepEveryCharacterOfThePath) {
    struct Case {
        const char* path;
        const char* url;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Vellumere\\vellumere.html", "file:///C:/Program%20Files/Vellumere/vellumere.html"},
        // A "#" or "%" in a folder name is part of the path, not a section or an escape.
        {"C:\\C#\\100%\\vellumere.html", "file:///C:/C%23/100%25/vellumere.html"},
        // Non-ASCII names arrive as UTF-8 and leave as its bytes, escaped.
        {"C:\\J\xC3\xB6rg\\vellumere.html", "file:///C:/J%C3%B6rg/vellumere.html"},
        {"\\\\server\\share\\vellumere.html", "file://server/share/vellumere.html"},
        {"C:\\a-b_c.d~e\\f&g=h;i\\x.html", "file:///C:/a-b_c.d~e/f%26g%3Dh%3Bi/x.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ui::fileUrl(c.path), c.url);
    }
}

std::string helpPage() {
    std::ifstream in(VELLUMERE_HELP_PAGE);
    std::ostringstream page;
    page << in.rdbuf();
    return page.str();
}

const ui::HelpDialog kDialogs[] = {ui::HelpDialog::Options, ui::HelpDialog::Directory, ui::HelpDialog::About};

// Every control the page has a section for opens it: the options dialog's
// sections are "control-<id>", the directory dialog's "directory-<id>".
TEST(HelpLogic, EachControlSectionOfThePageIsWhereItsControlOpens) {
    const std::string page = helpPage();
    ASSERT_FALSE(page.empty()) << VELLUMERE_HELP_PAGE;
    const std::pair<ui::HelpDialog, std::string> prefixes[] = {{ui::HelpDialog::Options, "control-"},
                                                               {ui::HelpDialog::Directory, "directory-"}};
    for (const auto& prefix : prefixes) {
        const std::string anchor = "id=\"" + prefix.second;
        int sections = 0;
        for (size_t at = page.find(anchor); at != std::string::npos; at = page.find(anchor, at + 1)) {
            const size_t digits = at + anchor.size();
            const size_t end = page.find('"', digits);
            const std::string id = page.substr(digits, end - digits);
            if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos) continue;  // "-dialog"
            EXPECT_EQ(ui::helpSection(prefix.first, std::stoi(id)), prefix.second + id);
            ++sections;
        }
        EXPECT_GT(sections, 5) << prefix.second;
    }
}

// Whatever control asks, the section it opens is in the page.
TEST(HelpLogic, EverySectionTheProgramOpensIsInThePage) {
    const std::string page = helpPage();
    std::set<std::string> opened;
    for (ui::HelpDialog dialog : kDialogs) {
        for (int control = -1; control <= 2000; ++control) opened.insert(ui::helpSection(dialog, control));
        opened.insert(ui::helpSection(dialog, 65535));
    }
    for (const std::string& section : opened) {
        EXPECT_NE(page.find("id=\"" + section + "\""), std::string::npos) << "no section " << section;
    }
}

// Static texts and group boxes have no identifier of their own, and a control
// of the other dialog has no section in this one: the dialog's section opens.
TEST(HelpLogic, AControlWithoutASectionOpensItsDialogs) {
    for (int control : {-1, 65535, 1023})
        EXPECT_EQ(ui::helpSection(ui::HelpDialog::Options, control), "options-dialog");
    for (int control : {-1, 65535, 1010}) {
        EXPECT_EQ(ui::helpSection(ui::HelpDialog::Directory, control), "directory-dialog");
    }
    for (int control : {-1, 1, 1010}) EXPECT_EQ(ui::helpSection(ui::HelpDialog::About, control), "about-box");
}

}  // namespace
