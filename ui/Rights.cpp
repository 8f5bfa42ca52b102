#include "ui/Rights.h"

#include "ui/Dialogs.h"
#include "ui/Texts.h"

#include "resource.h"

namespace qm::ui {

std::string RefusalText(RefusedKeys keys, const std::string& failure) {
    if (keys == RefusedKeys::Machine)
        return Text(IDS_REFUSED_MACHINE, {failure}) + "\n\n" + Text(IDS_MAKE_AS_ADMINISTRATOR);
    return Text(IDS_REFUSED_CURRENT_USER, {failure});
}

void ReportRefusal(PageHost& host, RefusedKeys keys, const std::string& failure) {
    AppDialogs().ShowError(host.MainWindow(), keys == RefusedKeys::Machine
                                                  ? Text(IDS_REFUSED_MACHINE, {failure})
                                                  : RefusalText(keys, failure));
}

void ReportFailure(PageHost& host, bool refused, RefusedKeys keys, const std::string& failure,
                   const std::string& otherwise) {
    if (refused)
        ReportRefusal(host, keys, failure);
    else
        AppDialogs().ShowError(host.MainWindow(), otherwise);
}

} // namespace qm::ui
