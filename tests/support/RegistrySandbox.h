#pragma once
// A fresh registry key per test, with HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE mapped onto two
// of its sub-keys, so that the program's own code runs unchanged and never touches the real
// keys. Removed and unmapped again when the sandbox ends. The machine's stand-in has two
// registry views, as on 64-bit Windows: KEY_WOW64_32KEY and KEY_WOW64_64KEY reach different
// keys below its Software key.

#include <windows.h>

#include <string>

namespace qmtest {

class RegistrySandbox {
public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    // The real HKEY_CURRENT_USER\Software, opened before the mapping, for checks that must
    // see around the sandbox. Owned by the sandbox.
    HKEY RealSoftwareKey() const { return realSoftware_; }
    // The sandbox's path below RealSoftwareKey(), and the keys there that stand in for the two
    // roots while it lives.
    const std::string& Path() const { return path_; }
    std::string CurrentUserPath() const { return path_ + "\\HKCU"; }
    std::string LocalMachinePath() const { return path_ + "\\HKLM"; }

private:
    std::string path_;
    HKEY realSoftware_ = nullptr;
};

} // namespace qmtest
