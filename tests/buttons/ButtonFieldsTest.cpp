// The button page's field rules without any window: how a record fills the fields, which
// fields the choices put in use, and what a save changes over the record as it was shown.

#include "buttons/ButtonFields.h"

#include "registry/ShownValues.h"

#include <gtest/gtest.h>

namespace {

using qm::ActionChoice;
using qm::ButtonFieldState;
using qm::ShownButton;
using qm::StoredText;
using qm::ValueChange;

StoredText Text(const std::string& text, DWORD type = REG_SZ) {
    return StoredText{true, qm::RawValue{type, text + '\0'}, text, true};
}
ValueChange Write(const std::string& name, const std::string& text, DWORD type = REG_SZ) {
    return {name, qm::RawValue{type, text + '\0'}};
}
ValueChange Delete(const std::string& name) { return {name, std::nullopt}; }

// An Exec record with every other value, as shown.
ShownButton FullRecord() {
    ShownButton shown;
    shown.texts[qm::kFieldButtonText] = Text("text");
    shown.texts[qm::kFieldExec] = Text("run.exe");
    shown.texts[qm::kFieldIcon] = Text("%SystemRoot%\\a.ico", REG_EXPAND_SZ);
    shown.texts[qm::kFieldHotIcon] = Text("hot.ico");
    shown.texts[qm::kFieldMenuText] = Text("menu");
    shown.texts[qm::kFieldMenuStatusBar] = Text("status");
    shown.defaultVisible = Text("yes");
    return shown;
}

TEST(ButtonFieldsTest, ARecordChoosesItsActionAndToolsBlockByTheValuesPresent) {
    struct Case {
        const char* what;
        bool exec, script, menuText, statusBar;
        ActionChoice action;
        bool inTools;
    };
    const Case cases[] = {
        {"exec", true, false, false, false, ActionChoice::Exec, false},
        {"both show as script", true, true, false, false, ActionChoice::Script, false},
        {"neither leaves the choice", false, false, false, false, ActionChoice::Neither, false},
        {"menu text alone", false, true, true, false, ActionChoice::Script, true},
        {"status bar alone", true, false, false, true, ActionChoice::Exec, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShownButton shown;
        if (c.exec) shown.texts[qm::kFieldExec] = Text("e");
        if (c.script) shown.texts[qm::kFieldScript] = Text("s");
        if (c.menuText) shown.texts[qm::kFieldMenuText] = Text("m");
        if (c.statusBar) shown.texts[qm::kFieldMenuStatusBar] = Text("");
        shown.defaultVisible = Text("YeS");
        ButtonFieldState fields = qm::FieldsFromRecord(shown);
        EXPECT_EQ(fields.action, c.action);
        EXPECT_EQ(fields.inTools, c.inTools);
        EXPECT_TRUE(fields.visible);
        EXPECT_EQ(fields.texts[qm::kFieldExec], c.exec ? "e" : "");
        EXPECT_EQ(fields.texts[qm::kFieldScript], c.script ? "s" : "");
        // Each field's group is in use exactly as the choices say.
        for (const qm::ButtonFieldRule& rule : qm::kButtonFields) {
            bool expected =
                rule.group == qm::FieldGroup::Always ||
                (rule.group == qm::FieldGroup::Tools && c.inTools) ||
                (rule.group == qm::FieldGroup::Exec && c.action == ActionChoice::Exec) ||
                (rule.group == qm::FieldGroup::Script && c.action == ActionChoice::Script);
            EXPECT_EQ(qm::GroupInUse(rule.group, fields.action, fields.inTools), expected)
                << rule.value;
        }
    }
}

TEST(ButtonFieldsTest, ASaveChangesOnlyWhatTheUserChangedAndDeletesWhatAChoiceTurnedOff) {
    struct Case {
        const char* what;
        void (*edit)(ButtonFieldState&);
        std::vector<ValueChange> expected;
    };
    const Case cases[] = {
        {"nothing edited", [](ButtonFieldState&) {}, {}},
        {"text typed back as it was",
         [](ButtonFieldState& f) { f.texts[qm::kFieldButtonText] = "text"; },
         {}},
        {"edited text and expandable icon",
         [](ButtonFieldState& f) {
             f.texts[qm::kFieldButtonText] = "new";
             f.texts[qm::kFieldIcon] = "%SystemRoot%\\b.ico";
         },
         {Write("ButtonText", "new"), Write("Icon", "%SystemRoot%\\b.ico", REG_EXPAND_SZ)}},
        {"emptied icon is deleted, emptied text stored empty",
         [](ButtonFieldState& f) {
             f.texts[qm::kFieldHotIcon] = "";
             f.texts[qm::kFieldMenuText] = "";
         },
         {Delete("HotIcon"), Write("MenuText", "")}},
        {"script chosen deletes exec",
         [](ButtonFieldState& f) {
             f.action = ActionChoice::Script;
             f.texts[qm::kFieldScript] = "page.htm";
         },
         {Delete("Exec"), Write("Script", "page.htm")}},
        {"neither chosen touches neither",
         [](ButtonFieldState& f) {
             f.action = ActionChoice::Neither;
             f.texts[qm::kFieldExec] = "other.exe";
         },
         {}},
        {"tools cleared deletes both menu values and the check box is written",
         [](ButtonFieldState& f) {
             f.inTools = false;
             f.visible = false;
         },
         {Write("Default Visible", "NO"), Delete("MenuText"), Delete("MenuStatusBar")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ShownButton shown = FullRecord();
        ButtonFieldState fields = qm::FieldsFromRecord(shown);
        c.edit(fields);
        const std::vector<ValueChange> changes = qm::SaveChanges(shown, fields);
        EXPECT_EQ(changes, c.expected);
        // Saved, the record is what the fields show: a second save changes nothing.
        ShownButton after = shown;
        qm::ApplyChanges(after, changes);
        if (fields.action != ActionChoice::Neither) {
            EXPECT_TRUE(qm::SaveChanges(after, fields).empty());
        }
    }
}

TEST(ButtonFieldsTest, AbsentValuesStayAbsentAndValuesNotShownWholeOrExactlyAreGuarded) {
    // Nothing stored: untouched empty fields and a clear check box write nothing.
    ShownButton empty;
    ButtonFieldState fields = qm::FieldsFromRecord(empty);
    fields.action = ActionChoice::Script;
    EXPECT_TRUE(qm::SaveChanges(empty, fields).empty());

    // A text longer than a field shows is cut at a character's start and never written.
    ShownButton shown = FullRecord();
    StoredText& text = shown.texts[qm::kFieldButtonText];
    text = Text(std::string(qm::kMaxFieldText - 1, 'a') + "\xe6\xbc\xa2" + "tail");
    EXPECT_TRUE(qm::CutForField(text));
    EXPECT_EQ(text.text, std::string(qm::kMaxFieldText - 1, 'a'));
    shown.tooLong[qm::kFieldButtonText] = true;
    fields = qm::FieldsFromRecord(shown);
    fields.texts[qm::kFieldButtonText] += "typed";
    EXPECT_TRUE(qm::SaveChanges(shown, fields).empty());

    // A changed text the field could not show exactly is named; an unchanged one is not.
    shown = FullRecord();
    shown.texts[qm::kFieldMenuText].exact = false;
    fields = qm::FieldsFromRecord(shown);
    fields.texts[qm::kFieldHotIcon] = "other.ico";
    EXPECT_EQ(qm::ValueNotShownExactly(shown, qm::SaveChanges(shown, fields)), std::nullopt);
    fields.texts[qm::kFieldMenuText] = "other";
    EXPECT_EQ(qm::ValueNotShownExactly(shown, qm::SaveChanges(shown, fields)), "MenuText");
}

TEST(ButtonFieldsTest, ANewRecordFromATemplateWritesItsValuesInOrder) {
    const ButtonFieldState row0 = qm::FieldsFromTemplate(qm::ButtonTemplates[0], "C:\\Q\\");
    EXPECT_EQ(row0.action, ActionChoice::Script);
    EXPECT_FALSE(row0.inTools);
    const std::vector<std::pair<std::string, std::string>> expected0 = {
        {"CLSID", qm::kButtonClsid},
        {"ButtonText", "QZO Menu"},
        {"Script", "C:\\Q\\Serv\\hello.htm"},
        {"Icon", "C:\\Q\\Images\\Icons\\qmbar.ico"},
        {"HotIcon", "C:\\Q\\Images\\Icons\\qmbar.ico"},
        {"Default Visible", "YES"},
        {"IsQuillmere", "YES"}};
    EXPECT_EQ(qm::NewRecordValues(row0), expected0);

    ButtonFieldState exec = qm::FieldsFromTemplate(qm::ButtonTemplates[1], "C:\\Q\\");
    EXPECT_TRUE(exec.inTools);
    exec.action = ActionChoice::Exec;
    exec.visible = false;
    exec.texts[qm::kFieldIcon] = "";
    const std::vector<std::pair<std::string, std::string>> expected1 = {
        {"CLSID", qm::kButtonClsid},
        {"ButtonText", "&Highlight Selection"},
        {"Exec", ""},
        {"Icon", ""},
        {"HotIcon", "C:\\Q\\Images\\Icons\\marker.ico"},
        {"MenuText", "&Highlight Selection"},
        {"MenuStatusBar", "Selection Highlighter"},
        {"IsQuillmere", "YES"}};
    EXPECT_EQ(qm::NewRecordValues(exec), expected1);
}

} // namespace
