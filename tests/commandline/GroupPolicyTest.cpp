// /export-gpo: the program's buttons as a Group Policy Preferences registry collection. The
// file is read back with the system's XML parser (MSXML) and held against the facts of the
// published preference schema that a console import relies on, listed here; the values it
// carries are compared with the registry through the plain registry functions.
#include "commandline/CommandTest.h"
#include "support/MachineViews.h"

#include <msxml2.h>
#include <objbase.h>

#include <algorithm>
#include <map>
#include <memory>
#include <regex>
#include <set>

namespace {

using namespace qm::cli;

using qmtest::ExpectSays;
using qmtest::PutRaw;

// --- the schema facts ([MS-GPPREF] registry preference) ---
// The outer element and its class.
constexpr char kSettings[] = "RegistrySettings";
constexpr char kSettingsClsid[] = "{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}";
// A folder of items, which may nest; it carries a name.
constexpr char kCollection[] = "Collection";
constexpr char kCollectionClsid[] = "{53B533F5-224C-47e3-B01B-CA3B3F3FF4BF}";
// One registry item: clsid, name, status, image, changed, uid (in that order), then at most
// the common options; exactly one Properties child.
constexpr char kRegistry[] = "Registry";
constexpr char kRegistryClsid[] = "{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}";
const std::vector<std::string> kRegistryAttributes = {"clsid", "name",    "status",
                                                      "image", "changed", "uid"};
const std::set<std::string> kCommonOptions = {"desc", "bypassErrors", "userContext", "removePolicy",
                                              "disabled"};
// Properties: these attributes in this order. action C(reate) R(eplace) U(pdate) D(elete),
// whose item image is 0, 1, 2, 3; hive a root's full name; key below it with no leading
// backslash; default "1" exactly for the unnamed value; a type of the registry's names.
const std::vector<std::string> kPropertiesAttributes = {
    "action", "displayDecimal", "default", "hive", "key", "name", "type", "value"};
const std::map<std::string, std::string> kImageForAction = {
    {"C", "0"}, {"R", "1"}, {"U", "2"}, {"D", "3"}};
const std::set<std::string> kHives = {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",
                                      "HKEY_CLASSES_ROOT", "HKEY_USERS", "HKEY_CURRENT_CONFIG"};
const std::set<std::string> kTypes = {"REG_SZ",    "REG_EXPAND_SZ", "REG_DWORD",
                                      "REG_QWORD", "REG_BINARY",    "REG_MULTI_SZ"};
const std::regex kChanged(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2})");
const std::regex kUid(R"(\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\})");

// An element as the parser gave it: name, attributes in document order, child elements.
struct Element {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<Element> children;
    std::string Get(const std::string& attribute) const {
        for (const auto& [n, v] : attributes)
            if (n == attribute) return v;
        return "\x01missing";
    }
    std::vector<std::string> AttributeNames() const {
        std::vector<std::string> names;
        for (const auto& a : attributes) names.push_back(a.first);
        return names;
    }
};

std::string Ansi(BSTR text) {
    if (!text) return {};
    int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, ansi.data(), length, nullptr, nullptr);
    ansi.resize(ansi.size() - 1);
    return ansi;
}

template <class T>
struct Releaser {
    void operator()(T* p) const { p->Release(); }
};
template <class T>
using Com = std::unique_ptr<T, Releaser<T>>;

Element Convert(IXMLDOMNode* node) {
    Element element;
    BSTR name = nullptr;
    node->get_nodeName(&name);
    element.name = Ansi(name);
    SysFreeString(name);
    IXMLDOMNamedNodeMap* rawAttributes = nullptr;
    if (node->get_attributes(&rawAttributes) == S_OK && rawAttributes) {
        Com<IXMLDOMNamedNodeMap> attributes(rawAttributes);
        long count = 0;
        attributes->get_length(&count);
        for (long i = 0; i < count; ++i) {
            IXMLDOMNode* rawAttribute = nullptr;
            attributes->get_item(i, &rawAttribute);
            Com<IXMLDOMNode> attribute(rawAttribute);
            BSTR attributeName = nullptr;
            VARIANT value;
            VariantInit(&value);
            attribute->get_nodeName(&attributeName);
            attribute->get_nodeValue(&value);
            element.attributes.emplace_back(Ansi(attributeName), Ansi(value.bstrVal));
            SysFreeString(attributeName);
            VariantClear(&value);
        }
    }
    IXMLDOMNodeList* rawChildren = nullptr;
    node->get_childNodes(&rawChildren);
    Com<IXMLDOMNodeList> children(rawChildren);
    long count = 0;
    children->get_length(&count);
    for (long i = 0; i < count; ++i) {
        IXMLDOMNode* rawChild = nullptr;
        children->get_item(i, &rawChild);
        Com<IXMLDOMNode> child(rawChild);
        DOMNodeType type;
        child->get_nodeType(&type);
        if (type == NODE_ELEMENT) element.children.push_back(Convert(child.get()));
    }
    return element;
}

// IXMLDOMDocument's interface identifier, as msxml2.h declares it.
const IID kDomDocumentInterface = {
    0x2933BF81, 0x7B36, 0x11d2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// Parses the file with MSXML; fails the test when the parser refuses it.
std::optional<Element> ParseXml(const std::string& path) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &clsid)) &&
        FAILED(CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &clsid))) {
        ADD_FAILURE() << "no XML parser";
        return std::nullopt;
    }
    IXMLDOMDocument* rawDocument = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kDomDocumentInterface,
                                reinterpret_cast<void**>(&rawDocument)))) {
        ADD_FAILURE() << "no XML parser";
        return std::nullopt;
    }
    Com<IXMLDOMDocument> document(rawDocument);
    document->put_async(VARIANT_FALSE);
    std::wstring widePath(path.begin(), path.end());
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocString(widePath.c_str());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    document->load(source, &loaded);
    VariantClear(&source);
    if (loaded != VARIANT_TRUE) {
        ADD_FAILURE() << "the XML parser refused " << path;
        return std::nullopt;
    }
    IXMLDOMElement* rawRoot = nullptr;
    document->get_documentElement(&rawRoot);
    Com<IXMLDOMElement> root(rawRoot);
    return Convert(root.get());
}

struct Item {
    std::string key, name, type, value;
};

// Holds an element and all below it against the schema facts; collects the registry items.
void CheckAgainstSchema(const Element& element, std::vector<Item>& items,
                        const std::string& where) {
    SCOPED_TRACE(where + "/" + element.name);
    if (element.name == kCollection) {
        EXPECT_EQ(element.Get("clsid"), kCollectionClsid);
        EXPECT_NE(element.Get("name"), "\x01missing");
    } else if (element.name == kRegistry) {
        std::vector<std::string> names = element.AttributeNames();
        ASSERT_GE(names.size(), kRegistryAttributes.size());
        EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 6), kRegistryAttributes);
        for (size_t i = 6; i < names.size(); ++i)
            EXPECT_TRUE(kCommonOptions.count(names[i])) << names[i];
        EXPECT_EQ(element.Get("clsid"), kRegistryClsid);
        EXPECT_EQ(element.Get("status"), element.Get("name"));
        EXPECT_TRUE(std::regex_match(element.Get("changed"), kChanged)) << element.Get("changed");
        EXPECT_TRUE(std::regex_match(element.Get("uid"), kUid)) << element.Get("uid");
        ASSERT_EQ(element.children.size(), 1u);
        const Element& properties = element.children[0];
        ASSERT_EQ(properties.name, "Properties");
        EXPECT_EQ(properties.AttributeNames(), kPropertiesAttributes);
        ASSERT_TRUE(kImageForAction.count(properties.Get("action"))) << properties.Get("action");
        EXPECT_EQ(element.Get("image"), kImageForAction.at(properties.Get("action")));
        // Every item goes from the clients when the policy no longer applies to them, as the
        // console writes such an item: Replace, removed, and not stopping the others on error.
        EXPECT_EQ(element.Get("removePolicy"), "1");
        EXPECT_EQ(element.Get("bypassErrors"), "1");
        EXPECT_EQ(properties.Get("action"), "R");
        EXPECT_TRUE(kHives.count(properties.Get("hive")));
        EXPECT_TRUE(kTypes.count(properties.Get("type"))) << properties.Get("type");
        std::string key = properties.Get("key");
        EXPECT_TRUE(!key.empty() && key.front() != '\\' && key.rfind("HKEY_", 0) != 0) << key;
        EXPECT_EQ(properties.Get("default"), properties.Get("name").empty() ? "1" : "0");
        EXPECT_TRUE(properties.Get("displayDecimal") == "0" ||
                    properties.Get("displayDecimal") == "1");
        items.push_back({properties.Get("hive") + "\\" + key, properties.Get("name"),
                         properties.Get("type"), properties.Get("value")});
        return;
    } else {
        ASSERT_EQ(element.name, kSettings) << "only the settings element may hold the rest";
        EXPECT_EQ(element.Get("clsid"), kSettingsClsid);
    }
    for (const Element& child : element.children) {
        EXPECT_TRUE(child.name == kCollection || child.name == kRegistry) << child.name;
        CheckAgainstSchema(child, items, where + "/" + element.name);
    }
}

// The registry items of the file, each held against the schema facts; none when the parser
// refuses the file, which fails the test.
std::vector<Item> ItemsOf(const std::string& xml) {
    std::vector<Item> items;
    if (auto root = ParseXml(xml)) CheckAgainstSchema(*root, items, "");
    return items;
}

using qmtest::FilesIn;

class GroupPolicyTest : public qmtest::CommandTest {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(GroupPolicyTest, TheFileHoldsTheMarkedButtonsForBothViewsAndTheSchemaTakesIt) {
    std::string source = temp.File("src");
    CreateDirectoryA(source.c_str(), nullptr);
    qmtest::WriteFileBytes(source + "\\page.htm", "<html>page</html>");
    qmtest::WriteFileBytes(source + "\\a.ico", "icon");
    std::string notes = qm::ButtonKeyPath(qm::ButtonKeyName(1));
    qmtest::PutTexts(HKEY_LOCAL_MACHINE, notes,
                     {{"ButtonText", "Notes & <Links> \"quoted\""},
                      {"Script", source + "\\page.htm"},
                      {"Icon", source + "\\a.ico"},
                      {"HotIcon", "C:\\windows\\system32\\shell32.dll,4"},
                      {"", "default"},
                      {"MenuStatusBar", "tab\there"}});
    PutRaw(HKEY_LOCAL_MACHINE, notes, "Unknown", REG_EXPAND_SZ, std::string("%windir%\\x\0", 11));
    PutRaw(HKEY_LOCAL_MACHINE, notes, "Count", REG_DWORD, std::string("\x2A\x01\0\0", 4));
    qmtest::PutText(HKEY_LOCAL_MACHINE, notes, "IsQuillmere", "YES");
    qmtest::PutText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath("{FOREIGN}"), "ButtonText", "not ours");
    qmtest::PutText(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::kReservedButtonKey), "IsQuillmere",
                    "YES");
    qmtest::PutText(HKEY_CURRENT_USER, qm::ButtonKeyPath("{USER}"), "IsQuillmere", "YES");

    std::string share = temp.File("share\\qm");
    std::string xml = temp.File("buttons.xml");
    ASSERT_EQ(Run({"/export-gpo", xml, "/files", share, "/quiet"}), kExitDone) << output.err;
    EXPECT_EQ(FilesIn(share), (std::vector<std::string>{"a.ico", "page.htm"}));
    EXPECT_EQ(qmtest::ReadFileBytes(share + "\\page.htm"), "<html>page</html>");
    EXPECT_FALSE(qmtest::FileExists(xml + ".tmp"));

    std::vector<Item> items = ItemsOf(xml);
    // Nine values, for the native view and for the 32-bit view as a 64-bit client names it.
    ASSERT_EQ(items.size(), 18u);
    std::set<std::string> keys;
    for (const Item& item : items) keys.insert(item.key);
    ASSERT_EQ(keys.size(), 2u);
    std::string native = *keys.begin(), wow = *keys.rbegin();
    EXPECT_EQ(native.rfind(
                  "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Extensions\\{", 0),
              0u);
    EXPECT_EQ(
        wow,
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Internet Explorer\\Extensions\\" +
            native.substr(native.rfind('\\') + 1));
    EXPECT_NE(native.substr(native.rfind('\\') + 1),
              qm::ButtonKeyName(1)); // never a client's own name

    std::map<std::string, Item> byName;
    for (const Item& item : items)
        if (item.key == native) byName[item.name] = item;
    auto expect = [&](const std::string& name, const std::string& type, const std::string& value) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(byName.count(name));
        EXPECT_EQ(byName[name].type, type);
        EXPECT_EQ(byName[name].value, value);
    };
    expect("ButtonText", "REG_SZ", *qmtest::StoredText(HKEY_LOCAL_MACHINE, notes, "ButtonText"));
    expect("Script", "REG_SZ", share + "\\page.htm");
    expect("Icon", "REG_SZ", share + "\\a.ico");
    expect("HotIcon", "REG_SZ", "C:\\windows\\system32\\shell32.dll,4"); // no file of its own
    expect("", "REG_SZ", "default");
    expect("MenuStatusBar", "REG_SZ", "tab\there");
    expect("Unknown", "REG_EXPAND_SZ", "%windir%\\x");
    expect("Count", "REG_DWORD", "0000012A");
    expect("IsQuillmere", "REG_SZ", "YES");

    // The same buttons give the same keys and item identities: a new deployment replaces.
    std::string again = temp.File("again.xml");
    ASSERT_EQ(Run({"/export-gpo", again, "/quiet"}), kExitDone) << output.err;
    std::vector<Item> secondItems = ItemsOf(again);
    ASSERT_EQ(secondItems.size(), 18u);
    EXPECT_EQ(secondItems[0].key, items[0].key);
    // Without /files the paths stay, and the output says which files the clients need.
    for (const Item& item : secondItems)
        if (item.name == "Script") {
            EXPECT_EQ(item.value, source + "\\page.htm");
        }
    ExpectSays(output.out, "The clients need \"" + source + "\\page.htm\"");
    EXPECT_TRUE(dialogs.Shown().empty());
}

// A machine that gets a set both ways gets it once: the policy's keys have names of their own
// (a client's own button may have any counter name, and the policy would overwrite it), and an
// import takes a button whose key has the policy's name for its own, already there, wherever
// the policy put its files.
TEST_F(GroupPolicyTest, AnImportOfTheSetSkipsTheButtonsThePolicyMade) {
    std::string source = temp.File("src");
    CreateDirectoryA(source.c_str(), nullptr);
    qmtest::WriteFileBytes(source + "\\page.htm", "<html>page</html>");
    qmtest::PutTexts(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(1)),
                     {{"CLSID", qm::kButtonClsid},
                      {"ButtonText", "Notes"},
                      {"Script", source + "\\page.htm"},
                      {"IsQuillmere", "YES"}});
    std::string set = temp.File("set.qmx"), xml = temp.File("deploy.xml");
    ASSERT_EQ(Run({"/export", set, "/quiet"}), kExitDone) << output.err;
    ASSERT_EQ(Run({"/export-gpo", xml, "/files", temp.File("share"), "/quiet"}), kExitDone)
        << output.err;

    // The client: the policy's items applied, each in the view its key names.
    const std::string extensions = "Software\\Microsoft\\Internet Explorer\\Extensions";
    qmtest::RemoveKey(HKEY_LOCAL_MACHINE, extensions);
    std::vector<Item> items = ItemsOf(xml);
    ASSERT_FALSE(items.empty());
    const std::string wow = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\";
    const std::string native = "HKEY_LOCAL_MACHINE\\";
    for (const Item& item : items) {
        bool inWow = item.key.rfind(wow, 0) == 0;
        std::string path = "SOFTWARE\\" + item.key.substr(inWow ? wow.size() : native.size() + 9);
        qmtest::RawPut(HKEY_LOCAL_MACHINE, inWow ? KEY_WOW64_32KEY : KEY_WOW64_64KEY, path,
                       {{item.name, item.value}});
    }
    const std::string policyKey = items.front().key.substr(items.front().key.rfind('\\') + 1);

    ASSERT_EQ(Run({"/import", set, "/quiet"}), kExitDone) << output.err;
    ExpectSays(output.out, "Skipped \"Notes\"");
    for (REGSAM view : qmtest::kBothViews)
        EXPECT_EQ(qmtest::RawSubKeys(HKEY_LOCAL_MACHINE, view, extensions),
                  std::vector<std::string>{policyKey})
            << qmtest::ViewName(view);
}

// A value the file cannot carry (a control character, and the others) is a row of the table
// below; without any marked button the file is a valid, empty collection in place of the old.
TEST_F(GroupPolicyTest, NoMarkedButtonGivesAValidEmptyCollection) {
    std::string xml = temp.File("old.xml");
    qmtest::WriteFileBytes(xml, "earlier deployment");
    ASSERT_EQ(Run({"/export-gpo", xml, "/quiet"}), kExitDone) << output.err;
    EXPECT_TRUE(ItemsOf(xml).empty());
}

// A button seeded with the wide registry functions in the view the program reads first, so
// that any UTF-16 text, broken or not, is stored as given.
void PutWideButton(const std::string& key,
                   const std::vector<std::pair<std::wstring, std::wstring>>& values) {
    std::wstring path(key.begin(), key.end());
    for (const auto& [name, text] : values)
        qmtest::PutWideText(HKEY_LOCAL_MACHINE, path, name, REG_SZ, text, KEY_WOW64_32KEY);
    qmtest::PutWideText(HKEY_LOCAL_MACHINE, path, L"IsQuillmere", REG_SZ, L"YES", KEY_WOW64_32KEY);
}

TEST_F(GroupPolicyTest, AValueXmlCannotCarryExactlyIsRefusedByNameAndEveryOtherReadsBackTheSame) {
    std::string key = qm::ButtonKeyPath(qm::ButtonKeyName(1));
    std::string xml = temp.File("old.xml");
    struct Refused {
        std::wstring name, text;
        std::string raw; // when not empty: stored as these REG_SZ bytes instead of text
        std::string message;
    };
    const std::string broken = " holds a broken character (a lone UTF-16 surrogate";
    const Refused refused[] = {
        {L"MenuText", L"ring\xFFFE", "", "its value \"MenuText\" holds the character U+FFFE"},
        {L"MenuText", L"\xFFFF", "", "its value \"MenuText\" holds the character U+FFFE"},
        {L"MenuText", L"half \xD83D", "", "its value \"MenuText\"" + broken},
        {L"MenuText", L"\xDE00 low", "", "its value \"MenuText\"" + broken},
        {L"Bad\xDC00", L"x", "", "its value \"Bad\xEF\xBF\xBD\"" + broken},
        {L"MenuText", L"", std::string("cut\0here\0", 9),
         "its value \"MenuText\" holds a NUL character inside its text"},
        {L"MenuText", L"bell\x07", "", "its value \"MenuText\" holds a control character"},
    };
    for (const Refused& row : refused) {
        SCOPED_TRACE(row.message);
        qmtest::RemoveKey(HKEY_LOCAL_MACHINE, key);
        PutWideButton(key, {{L"ButtonText", L"Odd"}});
        if (row.raw.empty())
            PutWideButton(key, {{row.name, row.text}});
        else
            PutRaw(HKEY_LOCAL_MACHINE, key, "MenuText", REG_SZ, row.raw);
        qmtest::WriteFileBytes(xml, "earlier deployment");
        EXPECT_EQ(Run({"/export-gpo", xml, "/quiet"}), kExitPartial);
        ExpectSays(output.err,
                   "The button \"Odd\" cannot go into a Group Policy file: " + row.message);
        EXPECT_EQ(qmtest::ReadFileBytes(xml), "earlier deployment");
        EXPECT_EQ(FilesIn(temp.Path()), std::vector<std::string>{"old.xml"});
    }

    // What XML can carry goes through exactly, the real U+FFFD included.
    const std::pair<std::wstring, std::string> carried[] = {
        {L"\xD83D\xDE00 smile", "\xF0\x9F\x98\x80 smile"},
        {L"a&b<c>\"d'", "a&b<c>\"d'"},
        {L"tab\tLF\nCR\rend", "tab\tLF\nCR\rend"},
        {L"\xFFFD stored as such", "\xEF\xBF\xBD stored as such"},
        {L"\x7F\x85\xE000", "\x7F\xC2\x85\xEE\x80\x80"},
    };
    qmtest::RemoveKey(HKEY_LOCAL_MACHINE, key);
    PutWideButton(key, {{L"ButtonText", L"Fine"}});
    for (size_t i = 0; i < std::size(carried); ++i)
        PutWideButton(key, {{L"V" + std::to_wstring(i), carried[i].first}});
    PutRaw(HKEY_LOCAL_MACHINE, key, "Tail", REG_SZ, std::string("nuls at the end\0\0\0", 18));
    ASSERT_EQ(Run({"/export-gpo", xml, "/quiet"}), kExitDone) << output.err;
    std::map<std::string, std::string> values;
    for (const Item& item : ItemsOf(xml)) values[item.name] = item.value;
    for (size_t i = 0; i < std::size(carried); ++i)
        EXPECT_EQ(values["V" + std::to_string(i)], carried[i].second) << i;
    EXPECT_EQ(values["Tail"], "nuls at the end");
}

TEST_F(GroupPolicyTest, CopiesStayInTheFilesFolderAndAFailedExportLeavesNothing) {
    // Two icons of the same name from different folders, one reached through "/" and "..",
    // and a file beside the deployment that only looks like a temporary one.
    std::string t = temp.Path();
    for (const char* folder : {"src", "src\\a", "victim-src", "other"})
        CreateDirectoryA(temp.File(folder).c_str(), nullptr);
    qmtest::WriteFileBytes(temp.File("victim-src\\icon.ico"), "victim's icon");
    qmtest::WriteFileBytes(temp.File("other\\ICON.ico"), "other icon");
    qmtest::WriteFileBytes(temp.File("src\\page.htm"), "page");
    qmtest::WriteFileBytes(temp.File("mine.xml.tmp"), "the user's own file");
    std::string escaping = temp.File("src\\a/../../victim-src/icon.ico");
    qmtest::PutTexts(HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(1)),
                     {{"ButtonText", "First"},
                      {"Icon", escaping},
                      {"Script", temp.File("src\\page.htm. ")},
                      {"IsQuillmere", "YES"}});
    qmtest::PutTexts(
        HKEY_LOCAL_MACHINE, qm::ButtonKeyPath(qm::ButtonKeyName(2)),
        {{"ButtonText", "Second"}, {"Icon", temp.File("other\\ICON.ico")}, {"IsQuillmere", "YES"}});
    const std::vector<std::string> before = FilesIn(t);

    // A missing folder for the XML: nothing is copied, no folder made.
    std::string share = temp.File("share\\qm");
    EXPECT_EQ(Run({"/export-gpo", temp.File("missing\\mine.xml"), "/files", share, "/quiet"}),
              kExitFileProblem);
    EXPECT_EQ(FilesIn(t), before);

    std::string xml = temp.File("mine.xml");
    ASSERT_EQ(Run({"/export-gpo", xml, "/files", share, "/quiet"}), kExitDone) << output.err;
    std::vector<std::string> after = before;
    after.insert(after.end(), {"mine.xml", "share"});
    std::sort(after.begin(), after.end());
    EXPECT_EQ(FilesIn(t), after); // no temporary file left, the user's one untouched
    EXPECT_EQ(qmtest::ReadFileBytes(temp.File("mine.xml.tmp")), "the user's own file");
    EXPECT_EQ(qmtest::ReadFileBytes(temp.File("victim-src\\icon.ico")), "victim's icon");
    // The last enumerated button goes first and keeps the name; the other gets one of its own.
    EXPECT_EQ(FilesIn(share), (std::vector<std::string>{"ICON.ico", "icon_2.ico", "page.htm"}));
    EXPECT_EQ(qmtest::ReadFileBytes(share + "\\ICON.ico"), "other icon");
    EXPECT_EQ(qmtest::ReadFileBytes(share + "\\icon_2.ico"), "victim's icon");

    // The clients are sent to exactly those copies.
    std::set<std::string> icons;
    for (const Item& item : ItemsOf(xml))
        if (item.name == "Icon" || item.name == "Script") icons.insert(item.value);
    EXPECT_EQ(icons, (std::set<std::string>{share + "\\ICON.ico", share + "\\icon_2.ico",
                                            share + "\\page.htm"}));
}

} // namespace
