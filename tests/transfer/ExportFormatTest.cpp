// The export file's grammar, written and read without Windows: this file also builds with the
// host's compiler (with the sanitizers) against transfer/ExportFormat.cpp alone.
#include "transfer/ExportFormat.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace qm::transfer;
using Values = std::vector<std::pair<std::string, std::string>>;

// Writes down the reader's events as text: "start", "end", "name|text".
class Transcript : public ExportEvents {
public:
    void SectionStart() override { events.push_back("start"); }
    void SectionEnd() override { events.push_back("end"); }
    void Value(const std::string& name, const std::string& text) override {
        events.push_back(name + "|" + text);
        values.emplace_back(name, text);
    }
    std::vector<std::string> events;
    Values values;
};

std::vector<std::string> Read(std::string_view bytes, const std::string& folder = "D:\\set_files") {
    Transcript transcript;
    ReadExportBytes(bytes, folder, transcript);
    return transcript.events;
}

struct Copy {
    std::string from, to;
    bool operator==(const Copy&) const = default;
};

// A button key held in memory, and what writing its section put out.
struct FakeButton {
    Values values;
    std::string text = "Notes";
    size_t failAt = SIZE_MAX; // the value whose read fails

    SectionSource Source() {
        SectionSource source;
        source.valueNames = [this] {
            std::vector<std::string> names;
            for (auto& [name, data] : values) names.push_back(name);
            return names;
        };
        source.readString = [this](const std::string& name) {
            for (size_t i = 0; i < values.size(); ++i)
                if (values[i].first == name) {
                    if (i == failAt)
                        throw std::runtime_error("Invalid data type for '" + name + "'");
                    return values[i].second;
                }
            return std::string();
        };
        source.buttonText = [this] { return text; };
        return source;
    }
};

struct Written {
    std::string bytes;
    std::vector<Copy> copies;
    CompanionNames names;

    void Section(FakeButton& button, const std::string& folder = "E:\\out\\set_files") {
        WriteButtonSection([this](std::string_view b) { bytes.append(b); }, folder, button.Source(),
                           [this](const std::string& from, const std::string& to) {
                               copies.push_back({from, to});
                           },
                           names);
    }
};

TEST(ExportFormatTest, CompanionFolderIsTheBaseNameCutAtItsFirstDot) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\x\\buttons.qmx", "C:\\x\\buttons_files"},
        {"C:\\x\\my.set.qmx", "C:\\x\\my_files"},
        {"C:\\x\\noext", "C:\\x\\noext_files"},
        {"C:\\dir.d\\file.qmx", "C:\\dir.d\\file_files"}, // a dot in a folder name stays
        {"file.qmx", "file_files"},
        {"C:\\x\\.qmx", "C:\\x\\_files"},
    };
    for (auto [path, folder] : cases) EXPECT_EQ(CompanionFolderFor(path), folder) << path;
}

TEST(ExportFormatTest, FileNamePartFollowsTheLastSeparatorOrColon) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\Icons\\a.ico", "a.ico"},
        {"C:\\Windows\\shell32.dll,4", "shell32.dll,4"},
        {"a.ico", "a.ico"},
        {"C:a.ico", "a.ico"},
        {"dir/a.ico", "a.ico"}, // the platform takes "/" for "\\"
        {"C:\\x\\a/../../victim/b.ico", "b.ico"},
        {"C:\\dir\\", ""},
        {"", ""},
    };
    for (auto [path, part] : cases) EXPECT_EQ(FileNamePart(path), part) << path;
    EXPECT_TRUE(IsFileValue("Script") && IsFileValue("Icon") && IsFileValue("HotIcon"));
    EXPECT_FALSE(IsFileValue("icon") || IsFileValue("Exec") || IsFileValue("Icon "));
}

TEST(ExportFormatTest, SectionHoldsEveryValueInOrderWithFileValuesCutAndCopied) {
    FakeButton button{{{"CLSID", "{1FBA04EE-3024-11d2-8F1F-0000F87ABD16}"},
                       {"ButtonText", "Notes"},
                       {"Script", "C:\\Pages\\notes.htm"},
                       {"Icon", "C:\\Windows\\shell32.dll,4"},
                       {"HotIcon", ""},
                       {"icon", "C:\\not\\a\\file\\value.ico"},
                       {"", "default"},
                       {"Extra", "a=b=c \xE9\xFF"},
                       {"IsQuillmere", "YES"}}};
    Written out;
    out.Section(button);
    EXPECT_EQ(out.bytes, "buttonstart\r\n"
                         "CLSID={1FBA04EE-3024-11d2-8F1F-0000F87ABD16}\r\n"
                         "ButtonText=Notes\r\n"
                         "Script=notes.htm\r\n"
                         "Icon=shell32.dll,4\r\n"
                         "HotIcon=\r\n"
                         "icon=C:\\not\\a\\file\\value.ico\r\n"
                         "=default\r\n"
                         "Extra=a=b=c \xE9\xFF\r\n"
                         "IsQuillmere=YES\r\n"
                         "buttonend\r\n");
    // Each file value's path is copied whole, even where the copy is bound to fail.
    EXPECT_EQ(out.copies, (std::vector<Copy>{
                              {"C:\\Pages\\notes.htm", "E:\\out\\set_files\\notes.htm"},
                              {"C:\\Windows\\shell32.dll,4", "E:\\out\\set_files\\shell32.dll,4"},
                              {"", "E:\\out\\set_files\\"},
                          }));
}

TEST(ExportFormatTest, AValueThatCannotBeReadRefusesTheWholeButtonBeforeAnythingIsWritten) {
    FakeButton button{
        {{"ButtonText", "Notes"}, {"Icon", "C:\\i\\a.ico"}, {"Bad", "x"}, {"Z", "z"}}};
    button.failAt = 2;
    Written out;
    try {
        out.Section(button);
        ADD_FAILURE() << "a button with an unreadable value was written";
    } catch (const UnportableValueError& error) {
        EXPECT_STREQ(error.what(), "The button \"Notes\" cannot be exported: the value \"Bad\" "
                                   "cannot be read as a text");
    }
    EXPECT_EQ(out.bytes, "");
    EXPECT_TRUE(out.copies.empty());
    // Nor did it claim a name: the next button's a.ico keeps the plain name.
    FakeButton next{{{"Icon", "D:\\other\\a.ico"}}};
    out.Section(next);
    EXPECT_EQ(out.bytes, "buttonstart\r\nIcon=a.ico\r\nbuttonend\r\n");
}

TEST(ExportFormatTest, SameFileNameFromDifferentPathsTravelsUnderDistinctNames) {
    FakeButton first{{{"Icon", "C:\\a\\x.ico"}, {"HotIcon", "C:\\A\\X.ICO"}}};
    FakeButton second{{{"Icon", "D:\\b\\x.ico"}, {"HotIcon", "C:\\a\\x.ico"}}};
    FakeButton third{{{"Icon", "E:\\c\\X.ico"}, {"Script", "F:\\x_2.ico"}}};
    Written out;
    out.Section(first);
    out.Section(second);
    out.Section(third);
    EXPECT_EQ(out.bytes, "buttonstart\r\nIcon=x.ico\r\nHotIcon=X.ICO\r\nbuttonend\r\n"
                         "buttonstart\r\nIcon=x_2.ico\r\nHotIcon=x.ico\r\nbuttonend\r\n"
                         "buttonstart\r\nIcon=X_3.ico\r\nScript=x_2_2.ico\r\nbuttonend\r\n");
    // The folder gets one file per name, each from the one source that name stands for.
    std::vector<std::string> targets;
    for (const Copy& copy : out.copies) targets.push_back(copy.to.substr(copy.to.rfind('\\') + 1));
    EXPECT_EQ(targets, (std::vector<std::string>{"x.ico", "X.ICO", "x_2.ico", "x.ico", "X_3.ico",
                                                 "x_2_2.ico"}));
    // Names without an extension, or only one, are numbered at their end.
    CompanionNames names;
    EXPECT_EQ(names.Claim("readme", "C:\\a\\readme"), "readme");
    EXPECT_EQ(names.Claim("readme", "C:\\b\\readme"), "readme_2");
    EXPECT_EQ(names.Claim(".hidden", "C:\\a\\.hidden"), ".hidden");
    EXPECT_EQ(names.Claim(".hidden", "C:\\b\\.hidden"), ".hidden_2");
    EXPECT_EQ(names.Claim("", "C:\\a\\"), "");
    EXPECT_EQ(names.Claim("", "C:\\b\\"), "");
}

TEST(ExportFormatTest, EachFileTravelsAsItsTravellerSaysSharingTheFolderNames) {
    using Way = FileTravel::Way;
    // One button per row, written in this order through one set of claimed names.
    const struct {
        std::string data;
        FileTravel travel;
        std::string line;                // the Icon line written
        std::vector<Copy> copies;        // what goes into the folder
        std::vector<std::string> whyNot; // the reasons returned for files not taken
    } rows[] = {
        {"C:\\W\\shell32.dll,-152",
         {Way::ByName, "C:\\W\\S\\shell32.dll", ",-152", ""},
         "Icon=shell32.dll,-152",
         {},
         {}},
        {"D:\\own\\shell32.dll,1",
         {Way::Copy, "D:\\own\\shell32.dll", ",1", ""},
         "Icon=shell32_2.dll,1",
         {{"D:\\own\\shell32.dll", "E:\\out\\set_files\\shell32_2.dll"}},
         {}},
        {"D:\\own\\notepad.exe",
         {Way::Copy, "D:\\own\\notepad.exe", "", ""},
         "Icon=notepad.exe",
         {{"D:\\own\\notepad.exe", "E:\\out\\set_files\\notepad.exe"}},
         {}},
        // The module's own name is taken by another file: it goes as a copy of its own.
        {"C:\\W\\notepad.exe,0",
         {Way::ByName, "C:\\W\\notepad.exe", ",0", ""},
         "Icon=notepad_2.exe,0",
         {{"C:\\W\\notepad.exe", "E:\\out\\set_files\\notepad_2.exe"}},
         {}},
        {"D:\\gone\\a.ico",
         {Way::NotTaken, "", "", "is not there"},
         "Icon=a.ico",
         {},
         {"is not there"}},
        // The missing file keeps its name: another a.ico does not arrive in its place.
        {"D:\\here\\a.ico",
         {Way::Copy, "D:\\here\\a.ico", "", ""},
         "Icon=a_2.ico",
         {{"D:\\here\\a.ico", "E:\\out\\set_files\\a_2.ico"}},
         {}},
    };
    CompanionNames names;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.data);
        std::string bytes;
        std::vector<Copy> copies;
        FakeButton button{{{"Icon", row.data}}};
        SectionSource source = button.Source();
        source.travel = [&](const std::string& name, const std::string& data) {
            EXPECT_EQ(name, "Icon");
            EXPECT_EQ(data, row.data);
            return row.travel;
        };
        std::vector<FileNotTaken> notTaken = WriteButtonSection(
            [&](std::string_view b) { bytes.append(b); }, "E:\\out\\set_files", source,
            [&](const std::string& from, const std::string& to) {
                copies.push_back({from, to});
            },
            names);
        EXPECT_EQ(bytes, "buttonstart\r\n" + row.line + "\r\nbuttonend\r\n");
        EXPECT_EQ(copies, row.copies);
        std::vector<std::string> whyNot;
        for (const FileNotTaken& file : notTaken) {
            EXPECT_EQ(file.value, "Icon");
            EXPECT_EQ(file.data, row.data);
            whyNot.push_back(file.why);
        }
        EXPECT_EQ(whyNot, row.whyNot);
    }
}

TEST(ExportFormatTest, ValuesTheFileCannotCarryAreRefusedNamingButtonAndValue) {
    // Each message is "The button "Notes" cannot be exported: " and why; what the file cannot
    // carry ends ", which an export file cannot carry", what an import would refuse
    // ", more than an import takes".
    const std::string carry = ", which an export file cannot carry",
                      takes = ", more than an import takes";
    const std::string lineBreak = " holds a line break" + carry,
                      equals = "\" has \"=\" in its name" + carry;
    const struct {
        Values values;
        std::string why;
    } cases[] = {
        {{{"MenuText", "two\r\nlines"}}, "the value \"MenuText\"" + lineBreak},
        {{{"", "cut\rCR"}}, "the default value" + lineBreak},
        {{{"lone\nLF", "c"}}, "the name of a value" + lineBreak},
        {{{std::string(100, 'n') + "=", "c"}},
         "the value \"" + std::string(64, 'n') + "..." + equals},
        {{{"X", "cut\x1Ahere"}}, "the value \"X\" holds the end-of-file character Ctrl+Z" + carry},
        {{{"a=b", "c"}}, "the value \"a=b" + equals},
        {{{"two\rnames", "c"}}, "the name of a value" + lineBreak},
        {{{"Icon", "C:\\dir\\a\rb.ico"}}, "the value \"Icon\"" + lineBreak},
        // What the import would refuse does not travel either.
        {{{"MenuText", std::string(kMaxLineBytes - 8, 'x')}},
         "the value \"MenuText\" is longer than 1 MiB" + takes},
        {{{std::string(kMaxValueNameBytes + 1, 'n'), "c"}},
         "the name of the value \"" + std::string(64, 'n') +
             "...\" is longer than the registry allows" + takes},
    };
    for (const auto& c : cases) {
        const std::string message = "The button \"Notes\" cannot be exported: " + c.why;
        FakeButton button{{{"ButtonText", "Notes"}}};
        button.values.insert(button.values.end(), c.values.begin(), c.values.end());
        Written out;
        try {
            out.Section(button);
            ADD_FAILURE() << "accepted " << message;
        } catch (const UnportableValueError& error) {
            EXPECT_EQ(error.what(), message);
        }
        EXPECT_EQ(out.bytes, "") << message;
        EXPECT_TRUE(out.copies.empty());
    }
    // A line of exactly the import's bound, and exactly as many values as it takes, travel.
    FakeButton most{{{"MenuText", std::string(kMaxLineBytes - 9, 'x')}}};
    for (size_t i = most.values.size(); i < kMaxSectionValues; ++i)
        most.values.emplace_back("V" + std::to_string(i), "v");
    Written fits;
    fits.Section(most);
    Transcript back;
    ReadExportBytes(fits.bytes, "F:\\f", back);
    EXPECT_EQ(back.values, most.values);
    most.values.emplace_back("OneMore", "v");
    try {
        fits.Section(most);
        ADD_FAILURE() << "more values than an import takes were accepted";
    } catch (const UnportableValueError& error) {
        EXPECT_EQ(std::string(error.what()), "The button \"Notes\" cannot be exported: it has more "
                                             "than 256 values, more than an import takes");
    }

    // A line break before the last "\" of a file value never reaches the file.
    FakeButton fine{{{"Icon", "C:\\odd\r\ndir\\a.ico"}}};
    Written out;
    out.Section(fine);
    EXPECT_EQ(out.bytes, "buttonstart\r\nIcon=a.ico\r\nbuttonend\r\n");

    // A lone LF in a text travels as it is and reads back unchanged; a button text of any
    // length is quoted cut.
    FakeButton lf{{{"MenuText", "two\nlines\n"}, {"", "\n"}}};
    out.bytes.clear();
    out.Section(lf);
    Transcript read;
    ReadExportBytes(out.bytes, "F:\\f", read);
    EXPECT_EQ(read.values, lf.values);
    FakeButton longText{{{"X", "a\x1A"}}};
    longText.text = std::string(5000, 't');
    try {
        out.Section(longText);
        ADD_FAILURE() << "Ctrl+Z accepted";
    } catch (const UnportableValueError& error) {
        std::string start =
            "The button \"" + std::string(64, 't') + "...\" cannot be exported: the value";
        EXPECT_EQ(std::string(error.what()).substr(0, start.size()), start);
    }
}

TEST(ExportFormatTest, ReaderSplitsLinesAtCrAndKnowsOnlyExactKeywords) {
    const struct {
        std::string bytes;
        std::vector<std::string> events;
    } cases[] = {
        {"", {}},
        {"buttonstart\r\nA=1\r\nbuttonend\r\n", {"start", "A|1", "end"}},
        {"buttonstart\rA=1\rbuttonend", {"start", "A|1", "end"}}, // last line without CR
        {"A=1\r\r\nB=2\r\n", {"A|1", "|", "B|2"}},                // CR CR LF: an empty line
        {"A=1\r\n\nB=2\r\n", {"A|1", "\nB|2"}},                   // a lone LF stays in the line
        {"buttonstart\nA=1\nbuttonend\n", {"buttonstart\nA|1\nbuttonend\n"}}, // LF-only: one line
        {"A=1\r\nB=2\x1A\r\nC=3\r\n", {"A|1", "B|2"}}, // Ctrl+Z ends the file
        {"\x1A"
         "buttonstart\r\n",
         {}},
        {"ButtonStart\r\nbuttonstart \r\n buttonend\r\nbuttonEnd\r\n",
         {"|ButtonStart", "|buttonstart ", "| buttonend", "|buttonEnd"}},
        {"a=b=c\r\n=x\r\nno equals\r\n=\r\n", {"a|b=c", "|x", "|no equals", "|"}},
        {"buttonstart=1\r\n", {"buttonstart|1"}},
        {"Icon=a.ico\r\nHotIcon=\r\nScript=C:\\x\\s.htm\r\nicon=a.ico\r\n",
         {"Icon|D:\\set_files\\a.ico", "HotIcon|D:\\set_files\\",
          "Script|D:\\set_files\\C:\\x\\s.htm", "icon|a.ico"}},
        {"Icon=shell32.dll,4", {"Icon|D:\\set_files\\shell32.dll,4"}},
        // A UTF-8 byte-order mark before the first line is skipped, once; anywhere else, or
        // begun and not finished, it is text.
        {"\xEF\xBB\xBF"
         "buttonstart\r\nA=1\r\nbuttonend\r\n",
         {"start", "A|1", "end"}},
        {"\xEF\xBB\xBF\xEF\xBB\xBF"
         "A=1",
         {"\xEF\xBB\xBF"
          "A|1"}},
        {"\xEF\xBBX=1\r\n", {"\xEF\xBBX|1"}},
        {"\xEF\xBB", {"|\xEF\xBB"}},
        {"A=\xEF\xBB\xBF\r\n", {"A|\xEF\xBB\xBF"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.bytes), c.events) << testing::PrintToString(c.bytes);
}

TEST(ExportFormatTest, ReaderGivesTheSameLinesWhateverPiecesTheFileArrivesIn) {
    std::mt19937 random(7);
    const char alphabet[] = {'\r', '\n',   '\x1A', '=',    'a',   'b',
                             '\0', '\xFF', '\xEF', '\xBB', '\xBF'};
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        int length = random() % 64;
        for (int i = 0; i < length; ++i) bytes += alphabet[random() % sizeof alphabet];
        if (round % 3 == 0) bytes = "buttonstart\r\n" + bytes + "\r\nbuttonend\r\n";
        if (round % 4 == 0) bytes = std::string(kUtf8Mark.substr(0, round % 3 + 1)) + bytes;

        std::vector<std::string> whole = Read(bytes);
        Transcript pieces;
        ExportReader reader("D:\\set_files", pieces);
        for (size_t at = 0; at < bytes.size();) {
            size_t size = std::min<size_t>(1 + random() % 5, bytes.size() - at);
            reader.Feed(std::string_view(bytes).substr(at, size));
            at += size;
        }
        reader.Finish();
        EXPECT_EQ(pieces.events, whole) << testing::PrintToString(bytes);
    }
}

TEST(ExportFormatTest, WrittenSectionsReadBackAsTheSameValues) {
    std::mt19937 random(11);
    for (int round = 0; round < 100; ++round) {
        FakeButton button;
        int count = random() % 8;
        for (int i = 0; i < count; ++i) {
            std::string name = i == 0 && round % 2 ? "" : "V" + std::to_string(i);
            std::string data;
            int length = random() % 12;
            // Any byte but CR and Ctrl+Z, "=" and a lone LF included.
            for (int k = 0; k < length; ++k) {
                char c = static_cast<char>(random() % 256);
                data += c == '\r' || c == '\x1A' ? '=' : c;
            }
            button.values.emplace_back(name, data);
        }
        Written out;
        out.Section(button);
        out.Section(button);
        Transcript read;
        ReadExportBytes(out.bytes, "F:\\f", read);
        Values expected = button.values;
        expected.insert(expected.end(), button.values.begin(), button.values.end());
        EXPECT_EQ(read.values, expected);
        EXPECT_EQ(std::count(read.events.begin(), read.events.end(), "start"), 2);
    }
}

// Counts the events, keeping only the lengths of the values: a long line costs no copies here.
class Tally : public ExportEvents {
public:
    void SectionStart() override { events.push_back("start"); }
    void SectionEnd() override { events.push_back("end"); }
    void Value(const std::string& name, const std::string& text) override {
        events.push_back(name + "|" + std::to_string(text.size()));
    }
    void LineTooLong() override { events.push_back("too long"); }
    std::vector<std::string> events;
};

TEST(ExportFormatTest, LinesPastTheBoundAreReportedWithoutTheirBytes) {
    // A line of exactly the bound is read whole; one byte more and it is dropped, the lines
    // around it read as ever, whatever pieces the file arrives in.
    std::string atBound = "A=" + std::string(kMaxLineBytes - 2, 'a');
    std::string over = "B=" + std::string(kMaxLineBytes - 1, 'b');
    std::string bytes = "buttonstart\r\n" + atBound + "\r\n" + over + "\r\nC=c\r\n" + over;
    const std::vector<std::string> expected = {"start", "A|" + std::to_string(kMaxLineBytes - 2),
                                               "too long", "C|1", "too long"};
    for (size_t piece : {size_t(7), size_t(65536), bytes.size()}) {
        Tally tally;
        ExportReader reader("D:\\f", tally);
        for (size_t at = 0; at < bytes.size(); at += piece)
            reader.Feed(std::string_view(bytes).substr(at, piece));
        reader.Finish();
        EXPECT_EQ(tally.events, expected) << piece;
    }
    // The default for a long line is to pass it over, like a stray line.
    Transcript transcript;
    ReadExportBytes("X=1\r\n" + over + "\x1A", "D:\\f", transcript);
    EXPECT_EQ(transcript.events, std::vector<std::string>{"X|1"});
    EXPECT_EQ(QuoteCut(std::string(64, 'q')), std::string(64, 'q'));
    EXPECT_EQ(QuoteCut(std::string(65, 'q')), std::string(64, 'q') + "...");
    // Characters of several bytes count once and are never cut in two.
    std::string accented;
    for (int i = 0; i < 64; ++i) accented += "\xC3\xA9"; // e acute in UTF-8
    EXPECT_EQ(QuoteCut(accented), accented);
    EXPECT_EQ(QuoteCut(accented + "\xE2\x82\xAC"), accented + "...");
    EXPECT_EQ(QuoteCut("a" + accented), "a" + accented.substr(0, 126) + "...");
}

} // namespace
