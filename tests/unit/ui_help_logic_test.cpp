// The help's decisions: where the page lies, the address a browser gets for it,
// and that every section the program can ask for exists in the page.
#include "ui/Help_logic.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

TEST(HelpLogic, ThePageLiesBesideTheProgramFile) {
    EXPECT_EQ(ui::helpPagePath("C:\\Users\\A B\\AppData\\Local\\Programs\\Vellumere\\Vellumere.exe"),
              "C:\\Users\\A B\\AppData\\Local\\Programs\\Vellumere\\vellumere.html");
    EXPECT_EQ(ui::helpPagePath("C:\\Vellumere.exe"), "C:\\vellumere.html");
    EXPECT_EQ(ui::helpPagePath("\\\\server\\share\\Vellumere.exe"), "\\\\server\\share\\vellumere.html");
    EXPECT_EQ(ui::helpPagePath("Vellumere.exe"), "vellumere.html");
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

TEST(HelpLogic, EverySectionTheProgramOpensIsInThePage) {
    std::ifstream in(VELLUMERE_HELP_PAGE);
    ASSERT_TRUE(in) << VELLUMERE_HELP_PAGE;
    std::ostringstream page;
    page << in.rdbuf();
    const std::string text = page.str();

    struct Case {
        ui::HelpDialog dialog;
        int control;
        const char* section;
    };
    const Case cases[] = {
        {ui::HelpDialog::Options, 1, "control-1"},        {ui::HelpDialog::Options, 2, "control-2"},
        {ui::HelpDialog::Options, 3, "control-3"},        {ui::HelpDialog::Options, 4, "control-4"},
        {ui::HelpDialog::Options, 1001, "control-1001"},  {ui::HelpDialog::Options, 1003, "control-1003"},
        {ui::HelpDialog::Options, 1004, "control-1004"},  {ui::HelpDialog::Options, 1005, "control-1005"},
        {ui::HelpDialog::Options, 1010, "control-1010"},  {ui::HelpDialog::Options, 1013, "control-1013"},
        {ui::HelpDialog::Options, 1015, "control-1015"},  {ui::HelpDialog::Options, 1016, "control-1016"},
        {ui::HelpDialog::Options, 1017, "control-1017"},  {ui::HelpDialog::Options, 1018, "control-1018"},
        {ui::HelpDialog::Options, 1020, "control-1020"},
        // Static texts and group boxes have no identifier of their own.
        {ui::HelpDialog::Options, -1, "options-dialog"},  {ui::HelpDialog::Options, 65535, "options-dialog"},
        {ui::HelpDialog::Directory, 1, "directory-1"},    {ui::HelpDialog::Directory, 2, "directory-2"},
        {ui::HelpDialog::Directory, 1023, "directory-1023"}, {ui::HelpDialog::Directory, 1024, "directory-1024"},
        {ui::HelpDialog::Directory, 1026, "directory-1026"}, {ui::HelpDialog::Directory, 1027, "directory-1027"},
        {ui::HelpDialog::Directory, 1028, "directory-1028"}, {ui::HelpDialog::Directory, -1, "directory-dialog"},
        {ui::HelpDialog::Directory, 1010, "directory-dialog"},
        {ui::HelpDialog::About, 1, "about-box"},          {ui::HelpDialog::About, -1, "about-box"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.control));
        const std::string section = ui::helpSection(c.dialog, c.control);
        EXPECT_EQ(section, c.section);
        EXPECT_NE(text.find("id=\"" + section + "\""), std::string::npos) << "no section " << section;
    }
}

}  // namespace
