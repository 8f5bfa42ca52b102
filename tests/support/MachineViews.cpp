#include "support/MachineViews.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace qmtest {
namespace {
std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}
} // namespace

const char* ViewName(REGSAM view) {
    return view == KEY_WOW64_32KEY ? "32-bit view" : view == KEY_WOW64_64KEY ? "64-bit view" : "";
}

std::optional<RawStrings> RawRead(HKEY root, REGSAM view, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return std::nullopt;
    RawStrings values;
    for (DWORD i = 0;; ++i) {
        char name[16384];
        DWORD nameLength = sizeof name, size = 0, type = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        std::string data(size, '\0');
        nameLength = sizeof name;
        RegEnumValueA(key, i, name, &nameLength, nullptr, &type,
                      reinterpret_cast<BYTE*>(data.data()), &size);
        data.resize(size);
        if ((type == REG_SZ || type == REG_EXPAND_SZ) && !data.empty() && data.back() == '\0')
            data.pop_back();
        values[std::string(name, nameLength)] = data;
    }
    RegCloseKey(key);
    return values;
}

bool RawKeyExists(HKEY root, REGSAM view, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::string> RawSubKeys(HKEY root, REGSAM view, const std::string& path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0, length = sizeof name;
         RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = sizeof name)
        names.emplace_back(name, length);
    RegCloseKey(key);
    return names;
}

void RawPut(HKEY root, REGSAM view, const std::string& path, const RawStrings& values) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS)
        << path;
    for (const auto& [name, data] : values)
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
}

RefuseChanges::RefuseChanges(HKEY root, std::string prefix, REGSAM view) {
    prefix = Lower(prefix);
    if (!prefix.empty() && prefix.front() == '\\') prefix.erase(0, 1);
    qm::testing::SetRegistryRule([this, root, prefix, view](const qm::testing::RegistryRequest& r) {
        constexpr REGSAM kChanges =
            KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | WRITE_DAC | WRITE_OWNER;
        bool refuse = r.root == root && (view == 0 || r.view == view) &&
                      Lower(r.path).compare(0, prefix.size(), prefix) == 0 &&
                      (r.creates || (r.access & kChanges) != 0);
        if (refuse) ++refused;
        return refuse;
    });
}

RefuseChanges::~RefuseChanges() { qm::testing::SetRegistryRule({}); }

DenyChanges::DenyChanges(HKEY root, REGSAM view, const std::string& path) {
    if (RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL | WRITE_DAC | view, &key_) !=
        ERROR_SUCCESS) {
        ADD_FAILURE() << "cannot open " << path << " to deny changes";
        key_ = nullptr;
        return;
    }
    DWORD size = 0;
    RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, nullptr, &size);
    original_.resize(size);
    if (RegGetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data(), &size) !=
        ERROR_SUCCESS)
        ADD_FAILURE() << "cannot read the security of " << path;
    // Denied first: setting values, making sub-keys and deleting; everything else allowed.
    PSECURITY_DESCRIPTOR denying = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x10006;;;WD)(A;;KA;;;WD)",
                                                              SDDL_REVISION_1, &denying, nullptr) ||
        RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, denying) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot deny changes to " << path;
    LocalFree(denying);
}

void DenyChanges::Lift() {
    if (!key_) return;
    if (RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, original_.data()) != ERROR_SUCCESS)
        ADD_FAILURE() << "cannot lift the refusal";
    RegCloseKey(key_);
    key_ = nullptr;
}

} // namespace qmtest
