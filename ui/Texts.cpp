#include "ui/Texts.h"

#include "base/StringTable.h"

namespace qm::ui {

std::string Text(UINT id) { return TableText(id); }

std::string Text(UINT id, std::initializer_list<std::string_view> inserts) {
    return TableText(id, inserts);
}

} // namespace qm::ui
