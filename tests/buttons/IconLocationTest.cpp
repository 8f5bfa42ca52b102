#include "buttons/IconLocation.h"

#include <gtest/gtest.h>

namespace {

using qm::IconLocationKind;

struct LocationCase {
    const char* location;
    IconLocationKind kind;
    const char* path;
    int number;
};

// What each kind of text names: the kind, the path cut from it and the icon number.
const LocationCase kLocations[] = {
    // Names no icon.
    {"", IconLocationKind::None, "", 0},
    {"C:\\windows", IconLocationKind::None, "", 0},
    {"C:\\pictures\\logo.bmp", IconLocationKind::None, "", 0},
    {"C:\\x.ex", IconLocationKind::None, "", 0},
    // Only the letters a to z are upper-cased: an accented E is no E.
    {"C:\\x.\xC9XE", IconLocationKind::None, "", 0},
    // Modules; a missing number or a lone separator is the first icon.
    {"C:\\windows\\system32\\shell32.dll", IconLocationKind::Module,
     "C:\\windows\\system32\\shell32.dll", 0},
    {"shell32.dll,", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,4", IconLocationKind::Module, "shell32.dll", 4},
    {"shell32.dll,0", IconLocationKind::Module, "shell32.dll", 0},
    // Letter case does not matter, and the path keeps its own.
    {"C:\\App.Exe,2", IconLocationKind::Module, "C:\\App.Exe", 2},
    {"c:\\lib.dLl,3", IconLocationKind::Module, "c:\\lib.dLl", 3},
    {"c:\\Pic.IcO", IconLocationKind::IconFile, "c:\\Pic.IcO", 0},
    // Any one character separates.
    {"shell32.dll;4", IconLocationKind::Module, "shell32.dll", 4},
    {"shell32.dll 4", IconLocationKind::Module, "shell32.dll", 4},
    {"shell32.dllX4", IconLocationKind::Module, "shell32.dll", 4},
    // Two separators: a blank second one is a leading blank, anything else spoils the number.
    {"shell32.dll, 4", IconLocationKind::Module, "shell32.dll", 4},
    {"shell32.dll,   4", IconLocationKind::Module, "shell32.dll", 4},
    {"shell32.dll,,4", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll;,4", IconLocationKind::Module, "shell32.dll", 0},
    // Trailing blanks and other trailing characters do not convert.
    {"shell32.dll,4 ", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,4\t", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,4a", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,1e3", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,\t4", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,- 4", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,   ", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,-", IconLocationKind::Module, "shell32.dll", 0},
    // Signs, and the low 16 bits of the value.
    {"shell32.dll,+7", IconLocationKind::Module, "shell32.dll", 7},
    {"shell32.dll,-1", IconLocationKind::Module, "shell32.dll", 65535},
    {"shell32.dll,65535", IconLocationKind::Module, "shell32.dll", 65535},
    {"shell32.dll,65536", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,65541", IconLocationKind::Module, "shell32.dll", 5},
    {"shell32.dll,007", IconLocationKind::Module, "shell32.dll", 7},
    // The whole signed 32-bit range converts; one past either end gives 0.
    {"shell32.dll,2147483647", IconLocationKind::Module, "shell32.dll", 65535},
    {"shell32.dll,-2147483647", IconLocationKind::Module, "shell32.dll", 1},
    {"shell32.dll,2147483648", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,-2147483649", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,99999999999999999999", IconLocationKind::Module, "shell32.dll", 0},
    // Hexadecimal after "$", "x" or "0x", up to 32 bits.
    {"shell32.dll,$1F", IconLocationKind::Module, "shell32.dll", 31},
    {"shell32.dll,x1f", IconLocationKind::Module, "shell32.dll", 31},
    {"shell32.dll,X10", IconLocationKind::Module, "shell32.dll", 16},
    {"shell32.dll,0x10", IconLocationKind::Module, "shell32.dll", 16},
    {"shell32.dll,0X10", IconLocationKind::Module, "shell32.dll", 16},
    {"shell32.dll, -$2", IconLocationKind::Module, "shell32.dll", 65534},
    {"shell32.dll,$FFFFFFFF", IconLocationKind::Module, "shell32.dll", 65535},
    {"shell32.dll,$100000000", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,$", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,0x", IconLocationKind::Module, "shell32.dll", 0},
    {"shell32.dll,$G", IconLocationKind::Module, "shell32.dll", 0},
    // A folder named like a module cuts the path there, even before an icon file.
    {"C:\\tools.exe\\pics\\zoom.ico", IconLocationKind::Module, "C:\\tools.exe", 0},
    {"C:\\old.dll\\run.exe,3", IconLocationKind::Module, "C:\\old.dll\\run.exe", 3},
    // ".EXE" is looked for first, wherever ".DLL" stands.
    {"C:\\a.dll.exe,2", IconLocationKind::Module, "C:\\a.dll.exe", 2},
    // ".exe" with ".ico" is a module location, whichever comes first.
    {"C:\\pic.ico.exe,1", IconLocationKind::Module, "C:\\pic.ico.exe", 1},
    {"C:\\run.exe.ico", IconLocationKind::Module, "C:\\run.exe", 0},
    // An icon file's path is the whole text, a number included.
    {"C:\\Images\\Icons\\zoom.ico", IconLocationKind::IconFile, "C:\\Images\\Icons\\zoom.ico", 0},
    {"C:\\Images\\Icons\\zoom.ico,3", IconLocationKind::IconFile, "C:\\Images\\Icons\\zoom.ico,3",
     0},
    {"C:\\a.icon\\b.txt", IconLocationKind::IconFile, "C:\\a.icon\\b.txt", 0},
};

TEST(IconLocationTest, ClassifiesCutsAndNumbersEveryKindOfLocation) {
    for (const LocationCase& c : kLocations) {
        SCOPED_TRACE(std::string("location \"") + c.location + "\"");
        qm::IconLocation parsed = qm::ParseIconLocation(c.location);
        EXPECT_EQ(parsed.kind, c.kind);
        EXPECT_EQ(parsed.path, c.kind == IconLocationKind::None ? "" : c.path);
        EXPECT_EQ(parsed.number, c.number);
    }
}

} // namespace
