#pragma once
// Where the test run finds the program it built, as a Windows path, to start it as a script does.

#include <algorithm>
#include <string>

namespace qmtest {

inline std::string BuiltProgram() {
    std::string program = QM_DIST_DIR "/quillmere.exe";
    std::replace(program.begin(), program.end(), '/', '\\');
    return program;
}

} // namespace qmtest
