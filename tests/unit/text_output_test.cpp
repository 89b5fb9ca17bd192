// File names on a terminal: a name holding control characters must not
// reach it raw, and what is shown instead must give the name back.
#include <gtest/gtest.h>

#include <string>

#include "report/report.h"
#include "cli/text_output.h"

namespace {

TEST(ShellQuoted, QuotesNamesWithControlsAsLsShellEscapeDoes)
{
    struct Case {
        std::string name, shown;
    };
    // The shown forms are those of GNU ls --quoting-style=shell-escape in a
    // UTF-8 locale. (Non-ASCII literals are escaped: literals are stored in
    // code page 932.)
    const Case cases[] = {
        {"a\033]0;x\ab.png", "'a'$'\\033'']0;x'$'\\a''b.png'"},   // sets the title
        {"\033x", "''$'\\033''x'"},
        {"x\033", "'x'$'\\033'"},
        {"\033\033y", "''$'\\033\\033''y'"},
        {"a b\tc", "'a b'$'\\t''c'"},
        {"q\x7f", "'q'$'\\177'"},
        {"\xC2\x9B" "1", "''$'\\302\\233''1'"},           // C1 CSI, in UTF-8
        {"a\x80" "b", "'a'$'\\200''b'"},                  // not UTF-8
        {"\x95\x5C.jpg", "''$'\\225''\\.jpg'"},           // code page 932
        {"\xE3\x81", "''$'\\343\\201'"},                  // a sequence cut short
        {"\xE6\x97\xA5\x01", "'\xE6\x97\xA5'$'\\001'"},
        {"ab\033c'd", "'ab'$'\\033''c'\\''d'"},
        {"'a\033", "''\\''a'$'\\033'"},
        {"'\033'", "''\\'''$'\\033'\\'''"},
        // Where ls adds a stray '' or (for "\033'\033") loses the $ of an
        // escape, the clean form, which a shell reads back as the name.
        {"a'b\033", "'a'\\''b'$'\\033'"},
        {"\033'\033", "''$'\\033'\\'''$'\\033'"},
        // Names a terminal shows as they are stay as they are, quotes,
        // spaces and all.
        {"it's a name.png", "it's a name.png"},
        {"\xE9\xA2\xA8\xE6\x99\xAF.jpg", "\xE9\xA2\xA8\xE6\x99\xAF.jpg"},
        {"\xC2\xA0" "nbsp", "\xC2\xA0" "nbsp"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShellQuoted(c.name), c.shown) << HexBytes(c.name);
}

}  // namespace
