#pragma once
// A fresh folder under the temporary folder, removed with everything in it at the end.

#include <string>
#include <vector>

namespace qmtest {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's full path, without a trailing backslash.
    const std::string& Path() const { return path_; }
    // Path() + "\" + name.
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Writes bytes to a file, replacing it; reads a whole file ("" when missing).
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// The names of the files and folders in a folder, sorted ("." and ".." left out).
std::vector<std::string> FilesIn(const std::string& folder);

} // namespace qmtest
