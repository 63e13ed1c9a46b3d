// Faults that fuzzing and the hostile pages found, pinned down where they were: each case failed
// before its mend.

#include "text/StringCtrl.h"
#include "text/TextPrinters.h"

#include <gtest/gtest.h>

namespace {

// Removing characters and trimming could uncover dots again: ". .. ." was cleaned to "..", which
// names the parent folder (a forum name or a page's user name became the account folder "../").
TEST(FoundFaults, CleanedNamesNeverStartOrEndWithADot) {
    const std::pair<QString, QString> cases[] = {
        {". .. .", ""}, {". . .", ""},    {" . / . ", ""},           {". .hidden", "hidden"},
        {"a. .", "a"},  {". .x. .", "x"}, {". ./. .climb", "climb"},
    };
    for (const auto& [text, cleaned] : cases) {
        SCOPED_TRACE(text.toStdString());
        QString name = text;
        CleanFileName(name, 0, false);
        EXPECT_EQ(name, cleaned);
    }
}

}  // namespace
