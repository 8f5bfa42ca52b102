// The button page's field rules without any window: how a record fills the fields, which
// fields the choices put in use, and what a save changes over the record as it was shown.

#include "buttons/ButtonFields.h"

#include "registry/ShownValues.h"

#include <gtest/gtest.h>

namespace {

using qm::ActionChoice;
using qm::ButtonFieldState;
using qm::ShownValues;
using qm::ValueEdit;

void Put(ShownValues& shown, const std::string& name, const std::string& text,
         DWORD type = REG_SZ) {
    shown.Remember(name, qm::RawValue{type, text + '\0'});
}
ValueEdit Write(const std::string& name, const std::string& text, DWORD type = REG_SZ) {
    return {name, qm::RawValue{type, text + '\0'}};
}
ValueEdit Delete(const std::string& name) { return {name, std::nullopt}; }

// An Exec record with every other value, as shown.
ShownValues FullRecord() {
    ShownValues shown;
    Put(shown, "ButtonText", "text");
    Put(shown, "Exec", "run.exe");
    Put(shown, "Icon", "%SystemRoot%\\a.ico", REG_EXPAND_SZ);
    Put(shown, "HotIcon", "hot.ico");
    Put(shown, "MenuText", "menu");
    Put(shown, "MenuStatusBar", "status");
    Put(shown, "Default Visible", "yes");
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
        ShownValues shown;
        if (c.exec) Put(shown, "Exec", "e");
        if (c.script) Put(shown, "Script", "s");
        if (c.menuText) Put(shown, "MenuText", "m");
        if (c.statusBar) Put(shown, "MenuStatusBar", "");
        Put(shown, "Default Visible", "YeS");
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

TEST(ButtonFieldsTest, EveryControlTheUserChangedIsAnEditAndNothingElseIs) {
    struct Case {
        const char* what;
        void (*record)(ShownValues&); // what the full record lacks, or holds besides
        void (*edit)(ButtonFieldState&);
        std::vector<ValueEdit> expected;
    };
    const auto none = [](ShownValues&) {};
    const Case cases[] = {
        {"nothing edited", none, [](ButtonFieldState&) {}, {}},
        {"text typed back as it was",
         none,
         [](ButtonFieldState& f) { f.texts[qm::kFieldButtonText] = "text"; },
         {}},
        {"edited text and expandable icon",
         none,
         [](ButtonFieldState& f) {
             f.texts[qm::kFieldButtonText] = "new";
             f.texts[qm::kFieldIcon] = "%SystemRoot%\\b.ico";
         },
         {Write("ButtonText", "new"), Write("Icon", "%SystemRoot%\\b.ico", REG_EXPAND_SZ)}},
        {"emptied icon is deleted, emptied text stored empty",
         none,
         [](ButtonFieldState& f) {
             f.texts[qm::kFieldHotIcon] = "";
             f.texts[qm::kFieldMenuText] = "";
         },
         {Delete("HotIcon"), Write("MenuText", "")}},
        {"script chosen deletes exec",
         none,
         [](ButtonFieldState& f) {
             f.action = ActionChoice::Script;
             f.texts[qm::kFieldScript] = "page.htm";
         },
         {Delete("Exec"), Write("Script", "page.htm")}},
        {"exec chosen with an empty field on a script record writes an empty exec",
         [](ShownValues& r) {
             r.Remember("Exec", std::nullopt);
             Put(r, "Script", "page.htm");
         },
         [](ButtonFieldState& f) { f.action = ActionChoice::Exec; },
         {Write("Exec", ""), Delete("Script")}},
        {"a record holding both, saved unchanged, keeps both",
         [](ShownValues& r) { Put(r, "Script", "page.htm"); },
         [](ButtonFieldState& f) { f.texts[qm::kFieldHotIcon] = "new.ico"; },
         {Write("HotIcon", "new.ico")}},
        {"tools cleared deletes both menu values and the check box is written",
         none,
         [](ButtonFieldState& f) {
             f.inTools = false;
             f.visible = false;
         },
         {Write("Default Visible", "NO"), Delete("MenuText"), Delete("MenuStatusBar")}},
        {"tools ticked with both texts empty writes both, empty",
         [](ShownValues& r) {
             r.Remember("MenuText", std::nullopt);
             r.Remember("MenuStatusBar", std::nullopt);
         },
         [](ButtonFieldState& f) { f.inTools = true; },
         {Write("MenuText", ""), Write("MenuStatusBar", "")}},
        {"default visible ticked on a record without it writes YES",
         [](ShownValues& r) { r.Remember("Default Visible", std::nullopt); },
         [](ButtonFieldState& f) { f.visible = true; },
         {Write("Default Visible", "YES")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShownValues shown = FullRecord();
        c.record(shown);
        const ButtonFieldState before = qm::FieldsFromRecord(shown);
        ButtonFieldState fields = before;
        c.edit(fields);
        const std::vector<ValueEdit> edits = qm::ButtonEdits(shown, before, fields);
        EXPECT_EQ(edits, c.expected);
        // Saved, the record is what the fields show: a second save changes nothing.
        for (const ValueEdit& edit : edits) shown.Remember(edit.name, edit.value);
        EXPECT_TRUE(qm::ButtonEdits(shown, fields, fields).empty());
    }
}

TEST(ButtonFieldsTest, UntouchedChoicesWriteNothingAndTextsAreCutBeforeACharacter) {
    // Nothing stored: untouched empty fields and a clear check box write nothing; a record
    // with neither action leaves both alone, whatever the radio buttons kept from before.
    ShownValues empty;
    ButtonFieldState before = qm::FieldsFromRecord(empty);
    before.action = ActionChoice::Script;
    EXPECT_TRUE(qm::ButtonEdits(empty, before, before).empty());

    // A text longer than a field shows is cut at a character's start, never inside one.
    const std::string head(qm::kMaxFieldText - 1, 'a');
    for (const std::string& tail : {std::string("\xe6\xbc\xa2tail"), std::string("bc")}) {
        std::string text = head + tail;
        EXPECT_TRUE(qm::CutAtCharacter(text, qm::kMaxFieldText));
        EXPECT_EQ(text, tail[0] == 'b' ? head + "b" : head);
    }
    std::string shortText = "short";
    EXPECT_FALSE(qm::CutAtCharacter(shortText, qm::kMaxFieldText));
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
