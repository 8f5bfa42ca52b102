// The real picture-open dialog that the "Browse" buttons of the Backgrounds page show: its
// preview pane shows the size of the bitmap selected in it, and nothing for other files.
#include "support/ProgramTest.h"
#include "support/ScriptedDialogs.h"

#include "ui/Dialogs.h"

#include "resource.h"

#include <dlgs.h>

#include <cstring>

namespace {

std::string TinyBitmap(int width, int height) {
    const int row = (width * 3 + 3) / 4 * 4;
    const uint32_t pixels = static_cast<uint32_t>(row * height);
    std::string bytes = "BM";
    auto put = [&](uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    for (auto [value, size] : {std::pair{54 + pixels, 4},
                               {0u, 4},
                               {54u, 4},
                               {40u, 4},
                               {static_cast<uint32_t>(width), 4},
                               {static_cast<uint32_t>(height), 4},
                               {1u, 2},
                               {24u, 2},
                               {0u, 4},
                               {pixels, 4},
                               {2835u, 4},
                               {2835u, 4},
                               {0u, 4},
                               {0u, 4}})
        put(value, size);
    bytes.append(pixels, '\x30');
    return bytes;
}

// What the timer found in the dialog while it was up.
struct Probe {
    std::string select;   // the name typed into the dialog, bare or with its folder
    bool sawPane = false; // the preview pane was there
    std::string sizeText; // what the pane said about the selection
    int waits = 0;
};
Probe* g_probe = nullptr;

BOOL CALLBACK FindPreview(HWND window, LPARAM found) {
    if (GetDlgCtrlID(window) == IDC_PICTUREPREVIEW) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK LookAtTheDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = qmtest::VisibleDialogOfThisThread();
    if (!dialog) {
        if (++g_probe->waits > 200) KillTimer(nullptr, timer); // the test then fails
        return;
    }
    KillTimer(nullptr, timer);
    HWND preview = nullptr;
    EnumChildWindows(dialog, &FindPreview, reinterpret_cast<LPARAM>(&preview));
    if (preview) {
        g_probe->sawPane = true;
        HWND pane = GetParent(preview);
        // As a user would: the file name typed in, and the selection reported to the pane.
        for (int field : {cmb13, edt1})
            SendMessageA(dialog, CDM_SETCONTROLTEXT, field,
                         reinterpret_cast<LPARAM>(g_probe->select.c_str()));
        OFNOTIFYA notify{};
        notify.hdr = {dialog, 0, static_cast<UINT>(CDN_SELCHANGE)};
        SendMessageA(pane, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
        char text[64] = {};
        GetDlgItemTextA(pane, IDC_PICTURESIZE, text, sizeof text);
        g_probe->sizeText = text;
    }
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

class PictureDialogTest : public qmtest::ProgramTest {};

TEST_F(PictureDialogTest, ThePreviewPaneShowsTheSizeOfTheSelectedBitmapOnly) {
    qmtest::WriteFileBytes(temp.File("wide.bmp"), TinyBitmap(12, 5));
    qmtest::WriteFileBytes(temp.File("fake.bmp"), "no picture in here");
    const struct {
        std::string file;
        std::string sizeText;
        bool withFolder;
    } cases[] = {{"wide.bmp", "12 x 5", false},
                 {"wide.bmp", "12 x 5", true},
                 {"fake.bmp", "", false},
                 {"missing.bmp", "", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Probe probe;
        probe.select = c.withFolder ? temp.File(c.file) : c.file;
        g_probe = &probe;
        qm::ui::FileDialog dialog;
        dialog.filter = "Bitmap picture (*.bmp)|*.BMP";
        dialog.initialDir = temp.Path();
        SetTimer(nullptr, 0, 20, &LookAtTheDialog);
        qm::ui::WinDialogs windows;
        EXPECT_FALSE(windows.RunFileDialog(nullptr, qm::ui::FileDialogKind::Picture, dialog));
        g_probe = nullptr;
        EXPECT_TRUE(probe.sawPane);
        EXPECT_EQ(probe.sizeText, c.sizeText);
        EXPECT_EQ(dialog.fileName, ""); // Cancel chooses nothing
    }
}

} // namespace
