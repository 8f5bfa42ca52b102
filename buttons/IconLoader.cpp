#include "buttons/IconLoader.h"

#include "buttons/IcoReader.h"
#include "buttons/IconLocation.h"
#include "ui/Window.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <exception>
#include <string>

namespace qm {
namespace {

// Icon files larger than this are no icons a toolbar button could use; they are refused
// before being read into memory.
constexpr DWORD kLargestIconFile = 16u * 1024 * 1024;

// ExtractIconA answers some calls with a number instead of an icon: the module's icon count
// for index -1, and 1 for a file that is no program, library or icon file.
bool IsIconHandle(HICON icon) { return reinterpret_cast<uintptr_t>(icon) > 1; }

bool IsExistingFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The whole file, or false when it cannot be opened or read or is too large to be an icon.
bool ReadWholeFile(const std::string& path, std::string& bytes) {
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestIconFile) return false;
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    return ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
           read == bytes.size();
}

int DisplayColourDepth() {
    UniqueScreenDc screen = ScreenDc();
    if (!screen) return 32;
    return GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
}

UniqueIcon IconFromFile(const std::string& path) {
    std::string bytes;
    if (!IsExistingFile(path) || !ReadWholeFile(path, bytes)) return {};
    std::optional<IcoImage> image = BestIcoImage(bytes, GetSystemMetrics(SM_CXICON),
                                                 GetSystemMetrics(SM_CYICON), DisplayColourDepth());
    if (!image) return {};
    // Width and height 0: the icon keeps the size of the image chosen.
    return UniqueIcon(CreateIconFromResourceEx(
        reinterpret_cast<BYTE*>(bytes.data() + image->offset), static_cast<DWORD>(image->size),
        TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR));
}

// The icon whose resource identifier is 1, read from the module's resources without running
// it. ExtractIconA cannot be asked for it: its index -1 means "how many icons".
UniqueIcon IconResourceOne(const std::string& modulePath) {
    UniqueModule module(LoadLibraryExA(modulePath.c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) return {};
    // Without LR_SHARED the icon is a private copy that outlives the module.
    return UniqueIcon(static_cast<HICON>(LoadImageA(module.get(), MAKEINTRESOURCEA(1), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXICON),
                                                    GetSystemMetrics(SM_CYICON), 0)));
}

UniqueIcon IconFromModule(const IconLocation& location) {
    if (location.number == 1) return IconResourceOne(location.path);
    // Index 0 asks for the first icon, a negative index for the resource identifier.
    HICON icon =
        ExtractIconA(ui::Instance(), location.path.c_str(), -static_cast<int>(location.number));
    if (!IsIconHandle(icon)) return {};
    return UniqueIcon(icon);
}

} // namespace

UniqueIcon StockErrorIcon() {
    return UniqueIcon(CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32513))));
}

UniqueIcon LoadIconFromLocation(const std::string& location) {
    UniqueIcon icon;
    // The platform's ANSI file calls take no path this long: looking for it would only cost
    // time (a location of a hundred thousand characters held a showing up for half a minute).
    if (location.size() >= 32768) return StockErrorIcon();
    try {
        const IconLocation parsed = ParseIconLocation(location);
        if (parsed.path.size() >= MAX_PATH)
            icon = {}; // no file the ANSI calls can open
        else if (parsed.kind == IconLocationKind::Module)
            icon = IconFromModule(parsed);
        else if (parsed.kind == IconLocationKind::IconFile)
            icon = IconFromFile(parsed.path);
    } catch (const std::exception&) {
        // Only memory can run out here; the caller still gets an icon, as on every failure.
    }
    if (!icon) icon = StockErrorIcon();
    return icon;
}

} // namespace qm
