#include "buttons/ElevatedOffer.h"

#include "ui/Dialogs.h"
#include "ui/History.h"
#include "ui/Rights.h"

#include <optional>
#include <stdexcept>

namespace qm {

Elevated OfferElevated(ui::PageHost& host, const std::string& failure, const ElevatedChange& change,
                       const std::string& what, const std::vector<ChangedKey>& keys,
                       const std::function<void()>& made) {
    const HWND owner = host.MainWindow();
    if (!ui::AppDialogs().AskYesNo(owner, ui::RefusalText(ui::RefusedKeys::Machine, failure)))
        return Elevated::Declined;
    std::optional<HandOverFile> file;
    try {
        file.emplace(HandOverFile::Write(change));
    } catch (const std::runtime_error& error) {
        ui::AppDialogs().ShowError(owner, error.what());
        return Elevated::NotMade;
    }
    std::optional<ChangeRecord> record = BeginChange(what, keys, ui::AskToGoOnWithoutBackup(owner));
    if (!record) return Elevated::NotMade;
    const std::optional<DWORD> exitCode = ui::AppDialogs().RunElevated(owner, file->Arguments());
    if (exitCode != DWORD{0}) {
        record->Discard();
        return exitCode ? Elevated::NotMade : Elevated::Declined;
    }
    if (made) made();
    record->Finish();
    return Elevated::Made;
}

} // namespace qm
