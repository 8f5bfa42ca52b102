#pragma once
// A stand-in for the platform's path resolution, for the import plan's tests and its fuzz
// target, which build without Windows: "\" and "/" separate, "." and ".." are followed, and
// ".." never climbs above the drive.

#include <optional>
#include <string>
#include <vector>

namespace qmtest {

inline std::optional<std::string> ResolveLexically(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path + "\\") {
        if (c != '\\' && c != '/') {
            part += c;
            continue;
        }
        if (part == "..") {
            if (parts.size() > 1) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
    }
    std::string full;
    for (const std::string& p : parts) full += (full.empty() ? "" : "\\") + p;
    return full;
}

} // namespace qmtest
