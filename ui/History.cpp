#include "ui/History.h"

#include "ui/Dialogs.h"
#include "ui/Texts.h"

#include "resource.h"

namespace qm::ui {

std::function<bool(const std::string& failure)> AskToGoOnWithoutBackup(HWND owner) {
    return [owner](const std::string& failure) {
        return AppDialogs().AskYesNo(owner, Text(IDS_NO_BACKUP_QUESTION, {failure}));
    };
}

} // namespace qm::ui
