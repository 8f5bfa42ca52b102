#pragma once
// The two appearance pages in the main window, each described once: its key, its View command
// and the values its fields show. A test shows its page afresh and saves it as a user does;
// the registry is seeded and read with plain registry calls.

#include "support/MainWindowTest.h"
#include "support/RawRegistry.h"

#include "appearance/BackgroundsPage.h"

#include <ostream>
#include <string>

namespace appearancetest {

struct Field {
    const char* value;
    int id;
};

struct AppearancePage {
    const char* name;
    int page, view, elsewhere; // elsewhere: a page to leave for
    const char* key;
    const char* what;    // as the page's messages name its settings
    Field first, second; // two texts in the order the page loads them
    Field option;        // a check box loaded after them, or none
    // The damaged second value leaves nothing of itself on the page beyond its field.
    bool (*nothingShownOfSecond)(qm::TForm1&);
};
// How a failing row names its page.
inline void PrintTo(const AppearancePage& page, std::ostream* out) { *out << page.name; }

inline qm::BackgroundsPage& BackgroundsOf(qm::TForm1& form) {
    return static_cast<qm::BackgroundsPage&>(form.PageAt(qm::ui::kPageBackgrounds));
}
inline bool NoExplorerPicture(qm::TForm1& form) {
    return BackgroundsOf(form).ExplorerPicture() == nullptr;
}

constexpr char kToolbarKey[] = "\\Software\\Microsoft\\Internet Explorer\\Toolbar\\";
constexpr char kMainKey[] = "\\Software\\Microsoft\\Internet Explorer\\Main\\";
constexpr Field kNoOption{nullptr, 0};

inline const AppearancePage kBackgrounds{"Backgrounds",
                                         qm::ui::kPageBackgrounds,
                                         IDM_VIEWTBBACKGROUND,
                                         qm::ui::kPageWindowAttributes,
                                         kToolbarKey,
                                         "backgrounds",
                                         Field{"BackBitmapIE5", IDC_TBIMAGEEDIT},
                                         Field{"BackBitmapShell", IDC_WEBACKGROUND},
                                         kNoOption,
                                         &NoExplorerPicture};
inline const AppearancePage kWindowAttributes{"WindowAttributes",
                                              qm::ui::kPageWindowAttributes,
                                              IDM_VIEWWINDOWTITLE,
                                              qm::ui::kPageBackgrounds,
                                              kMainKey,
                                              "window attributes",
                                              Field{"Window Title", IDC_WTITLEEDIT},
                                              Field{"Search Page", IDC_SEARCHPAGE},
                                              Field{"FullScreen", IDC_FULLSCREEN},
                                              nullptr};

// An expandable string value as stored: the text and one terminating zero.
inline qmtest::StoredValue ExpandSz(const std::string& text) {
    return {REG_EXPAND_SZ, text + '\0'};
}

class AppearancePageTest : public qmtest::MainWindowTest {
protected:
    virtual const AppearancePage& P() const = 0;
    void SetUp() override {
        qmtest::CreateUserKey(P().key);
        MainWindowTest::SetUp();
    }
    // Shown afresh: choosing the page already shown does nothing, so by way of page 0.
    void ShowPage() {
        MenuCommand(IDM_VIEWSTDBTN);
        MenuCommand(P().view);
    }
    void Save() { ClickToolButton(IDM_SAVE); }
    using MainWindowTest::Type;
    std::string Shown(const Field& field) { return Text(P().page, field.id); }
    void Type(const Field& field, const std::string& text) { Type(P().page, field.id, text); }
    void Put(const Field& field, const std::string& text) {
        qmtest::WriteUserString(P().key, field.value, text);
    }
    std::optional<qmtest::StoredValue> Stored(const char* value) {
        return qmtest::StoredValueOf(HKEY_CURRENT_USER, P().key, value);
    }
    std::optional<qmtest::StoredValue> Stored(const Field& field) { return Stored(field.value); }
    bool ReadOnly(const Field& field) {
        return GetWindowLongA(Control(P().page, field.id), GWL_STYLE) & ES_READONLY;
    }
};

} // namespace appearancetest
