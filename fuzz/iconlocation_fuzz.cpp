// Icon locations and number texts over any bytes: the parser must stay inside the text, a
// module location's path must be a prefix of the text ending in its extension, and the number
// must be what the number text gives.
#include "base/Integer.h"
#include "buttons/IconLocation.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const qm::IconLocation location = qm::ParseIconLocation(text);
    switch (location.kind) {
    case qm::IconLocationKind::None:
        if (!location.path.empty() || location.number != 0) abort();
        break;
    case qm::IconLocationKind::Module: {
        if (location.path.size() < 4 || text.compare(0, location.path.size(), location.path) != 0)
            abort();
        const std::string rest =
            location.path.size() + 1 < text.size() ? text.substr(location.path.size() + 1) : "";
        if (location.number != qm::IconNumberFromText(rest)) abort();
        break;
    }
    case qm::IconLocationKind::IconFile:
        if (location.path != text) abort();
        break;
    }
    if (auto value = qm::ParseSignedInteger(text, qm::HexMarks::DollarXOr0x)) {
        // A converted value converts back from its decimal form.
        if (qm::ParseSignedInteger(std::to_string(*value), qm::HexMarks::DollarXOr0x) != value)
            abort();
    }
    return 0;
}
