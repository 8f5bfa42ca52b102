#include "ui/Rights.h"

#include "ui/Dialogs.h"
#include "ui/Texts.h"

#include "resource.h"

namespace qm::ui {
namespace {
// True while ReportRefusal offers a restart: a refusal inside it is only shown.
bool g_offering = false;
} // namespace

std::string RefusalText(RefusedKeys keys, const std::string& failure) {
    if (keys == RefusedKeys::Machine)
        return Text(IDS_REFUSED_MACHINE, {failure}) + "\n\n" + Text(IDS_RESTART_AS_ADMINISTRATOR);
    return Text(IDS_REFUSED_CURRENT_USER, {failure});
}

bool ReportRefusal(PageHost& host, RefusedKeys keys, const std::string& failure) {
    Dialogs& dialogs = AppDialogs();
    if (keys == RefusedKeys::CurrentUser || g_offering) {
        std::string text = RefusalText(keys, failure);
        if (keys == RefusedKeys::Machine) text = text.substr(0, text.find("\n\n"));
        dialogs.ShowError(host.MainWindow(), text);
        return false;
    }
    if (!dialogs.AskYesNo(host.MainWindow(), RefusalText(keys, failure))) return false;
    g_offering = true;
    // The edits of a page that has them are offered for saving, as when the window closes.
    for (int page : {kPageButtons, kPageContextMenu, kPageBackgrounds, kPageWindowAttributes})
        if (host.IsPageModified(page)) host.OfferSave(page, false);
    bool started = dialogs.StartElevated(host.MainWindow());
    g_offering = false;
    if (started && host.MainWindow()) PostMessageA(host.MainWindow(), WM_CLOSE, 0, 0);
    return started;
}

} // namespace qm::ui
