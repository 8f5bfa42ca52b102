#pragma once
// The one way code says that a key it opens through an accessor lives until the end of a block.

#include "registry/RegistryAccessor.h"

namespace qm {

// Closes the accessor's open key when the block ends, also when it ends by an exception.
class KeyScope {
public:
    explicit KeyScope(RegistryAccessor& registry) : registry_(registry) {}
    ~KeyScope() { registry_.CloseKey(); }
    KeyScope(const KeyScope&) = delete;
    KeyScope& operator=(const KeyScope&) = delete;

private:
    RegistryAccessor& registry_;
};

} // namespace qm
