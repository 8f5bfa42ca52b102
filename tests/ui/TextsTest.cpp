#include "ui/Controls.h"
#include "ui/Rights.h"
#include "ui/Texts.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using qm::ui::Text;

TEST(TextsTest, TheStringTableGivesTheProgramsTextsExactly) {
    EXPECT_EQ(Text(IDS_WRITE_ERROR), "Error while trying to write registry data");
    EXPECT_EQ(Text(IDS_CAPTION_INFORMATION), "Information");
    EXPECT_EQ(Text(IDS_APPLICATION_TITLE), "Quillmere");
    // A text that ends in a doubled quotation mark just before its closing one.
    EXPECT_EQ(Text(IDS_GPO_THE_BUTTON, {"Notes"}), "The button \"Notes\"");
    // Quotation marks written twice in the table come out once; the inserts go where %1 and
    // %2 stand, also where one stands twice and in any order.
    EXPECT_EQ(Text(IDS_MENU_DAMAGED, {"Links", "(Default)"}),
              "The context menu \"Links\" cannot be saved: its value \"(Default)\" has the wrong "
              "type. Correct or delete it, then show the entry again.");
    EXPECT_EQ(
        qm::ui::RefusalText(qm::ui::RefusedKeys::Machine, "The button \"Notes\" cannot be saved"),
        "The button \"Notes\" cannot be saved: changing the toolbar buttons of all users of "
        "this computer needs administrator rights.\n\nMake this change with administrator "
        "rights? Windows asks for an administrator's consent; this window stays open and shows "
        "the result.");
}

TEST(TextsTest, InsertsAreTakenAsTheyAreAndAMissingTextIsAFault) {
    // A name the user typed may hold a placeholder of its own: it is not replaced again.
    EXPECT_EQ(Text(IDS_MENU_CHANGED, {"100%2 %1", "\"Flags\""}),
              "The context menu \"100%2 %1\" was changed in the registry since it was shown "
              "(\"Flags\"). Overwrite it?");
    // A placeholder without its insert stays; an UTF-8 insert passes through byte for byte.
    EXPECT_EQ(Text(IDS_MENU_NAME_TAKEN, {}), "Registry key '%1' already exists. Try another name.");
    EXPECT_EQ(Text(IDS_MENU_NAME_TAKEN, {"\xC3\xBC\xE6\xBC\xA2"}),
              "Registry key '\xC3\xBC\xE6\xBC\xA2' already exists. Try another name.");
    EXPECT_THROW(Text(5999), std::runtime_error);
}

// A field's text comes back whole at every length: short texts are read in one message, a
// text that fills that first read is read again at its full length.
TEST(TextsTest, AFieldsTextIsReadWholeAtEveryLength) {
    HWND field = CreateWindowExA(0, "Edit", "", WS_POPUP | ES_AUTOHSCROLL, 0, 0, 200, 20, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(field, nullptr);
    SendMessageA(field, EM_SETLIMITTEXT, 0, 0);
    for (size_t length : {0, 1, 254, 255, 256, 257, 5000}) {
        const std::string text(length, 'x');
        SetWindowTextA(field, text.c_str());
        EXPECT_EQ(qm::ui::GetText(field), text) << length << " characters";
        const std::string other(length, 'y');
        EXPECT_EQ(qm::ui::ShowText(field, other), other) << length << " characters";
    }
    DestroyWindow(field);
}

} // namespace
