#include "registry/RegistryError.h"

#include "base/StringTable.h"
#include "resource.h"

namespace qm {

RegistryError KeyNotCreated(const std::string& path, bool refused) {
    return RegistryError(TableText(IDS_REG_KEY_NOT_CREATED, {path}), refused);
}

RegistryError KeyNotDeleted(const std::string& path, bool refused) {
    return RegistryError(TableText(IDS_REG_KEY_NOT_DELETED, {path}), refused);
}

RegistryError KeyNotCopied(const std::string& path) {
    return RegistryError(TableText(IDS_REG_KEY_NOT_COPIED, {path}));
}

RegistryError KeyIntoItself(const std::string& path) {
    return RegistryError(TableText(IDS_REG_KEY_INTO_ITSELF, {path}));
}

RegistryError DataNotRead(const std::string& name) {
    return RegistryError(TableText(IDS_REG_DATA_NOT_READ, {name}));
}

RegistryError DataNotSet(const std::string& name, bool refused) {
    return RegistryError(TableText(IDS_REG_DATA_NOT_SET, {name}), refused);
}

RegistryError ValueNotDeleted(const std::string& name, bool refused) {
    return RegistryError(TableText(IDS_REG_VALUE_NOT_DELETED, {name}), refused);
}

RegistryError WrongDataType(const std::string& name) {
    return RegistryError(TableText(IDS_REG_WRONG_DATA_TYPE, {name}));
}

} // namespace qm
