#pragma once
// How the registry's failures reach the user: a RegistryError, made by one of the functions
// below, whose text comes from the string table.

#include <windows.h>

#include <stdexcept>
#include <string>

namespace qm {

// A registry failure whose what() is the exact text shown to the user. Refused() tells a
// failure for lack of rights (ERROR_ACCESS_DENIED) from every other one.
class RegistryError : public std::runtime_error {
public:
    explicit RegistryError(const std::string& what, bool refused = false)
        : std::runtime_error(what), refused_(refused) {}
    bool Refused() const { return refused_; }

private:
    bool refused_;
};

// Whether a registry function's result is a refusal for lack of rights.
inline bool IsRefusal(LONG result) { return result == ERROR_ACCESS_DENIED; }

// One kind of failure each, with the key's path or the value's name in its text.
RegistryError KeyNotCreated(const std::string& path, bool refused = false);
RegistryError KeyNotDeleted(const std::string& path, bool refused = false);
RegistryError KeyNotCopied(const std::string& path);
RegistryError KeyIntoItself(const std::string& path);
RegistryError DataNotRead(const std::string& name);
RegistryError DataNotSet(const std::string& name, bool refused = false);
RegistryError ValueNotDeleted(const std::string& name, bool refused = false);
RegistryError WrongDataType(const std::string& name);

} // namespace qm
