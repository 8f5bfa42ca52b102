#include "buttons/ButtonPlace.h"

#include "buttons/ButtonRecord.h"
#include "ui/Texts.h"

#include "resource.h"

#include <algorithm>

namespace qm {

ButtonPlace PlaceOfOpenRecord(const RegistryAccessor& reg) {
    if (reg.Root() != HKEY_LOCAL_MACHINE) return ButtonPlace::ThisUser;
    if (ViewsOf(HKEY_LOCAL_MACHINE).size() < 2) return ButtonPlace::AllUsers;
    const std::vector<REGSAM> views = reg.OpenViews();
    auto holds = [&](REGSAM view) {
        return std::find(views.begin(), views.end(), view) != views.end();
    };
    const bool in32 = holds(KEY_WOW64_32KEY);
    const bool in64 = holds(KEY_WOW64_64KEY);
    if (in32 && in64) return ButtonPlace::AllUsersBoth;
    if (in32) return ButtonPlace::AllUsers32BitOnly;
    if (in64) return ButtonPlace::AllUsers64BitOnly;
    return ButtonPlace::AllUsers;
}

ButtonPlace PlaceOfRecord(HKEY root, const std::string& keyName) {
    RegistryAccessor extensions, record;
    OpenButtonRecord(extensions, record, root, keyName);
    return PlaceOfOpenRecord(record);
}

std::string PlaceText(ButtonPlace place) {
    switch (place) {
    case ButtonPlace::ThisUser: return ui::Text(IDS_BUTTON_PLACE_THIS_USER);
    case ButtonPlace::AllUsers: return ui::Text(IDS_BUTTON_PLACE_ALL_USERS);
    case ButtonPlace::AllUsersBoth: return ui::Text(IDS_BUTTON_PLACE_BOTH_VIEWS);
    case ButtonPlace::AllUsers32BitOnly: return ui::Text(IDS_BUTTON_PLACE_32_BIT_ONLY);
    case ButtonPlace::AllUsers64BitOnly: return ui::Text(IDS_BUTTON_PLACE_64_BIT_ONLY);
    }
    return {};
}

} // namespace qm
