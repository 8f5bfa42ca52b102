#pragma once
// For the tests of the programs that import (they link the transfer room): imported sets keep
// their files in a folder of the test's own while it lives, not in %ProgramData%.

#include "transfer/LocalCopy.h"

#include <string>

namespace qmtest {

class ImportedSetsFolder {
public:
    explicit ImportedSetsFolder(const std::string& folder) {
        qm::transfer::testing::SetImportedSetsFolder(folder);
    }
    ~ImportedSetsFolder() { qm::transfer::testing::SetImportedSetsFolder({}); }
    ImportedSetsFolder(const ImportedSetsFolder&) = delete;
    ImportedSetsFolder& operator=(const ImportedSetsFolder&) = delete;
};

} // namespace qmtest
