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

// The icon with that resource identifier from a module opened for its resources, at the
// system's large-icon size; 0 is the first icon group in the order of the module's resources
// (named ones first, then by identifier), as ExtractIconA's index 0 takes it. Without
// LR_SHARED the icon is a private copy that outlives the module.
HICON IconGroup(HMODULE module, LPCSTR group) {
    return static_cast<HICON>(LoadImageA(module, group, IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                         GetSystemMetrics(SM_CYICON), 0));
}

UniqueIcon IconFromOpenModule(HMODULE module, uint16_t number) {
    if (number != 0) return UniqueIcon(IconGroup(module, MAKEINTRESOURCEA(number)));
    HICON first = nullptr;
    EnumResourceNamesA(
        module, RT_GROUP_ICON,
        [](HMODULE from, LPCSTR, LPSTR group, LONG_PTR icon) -> BOOL {
            // Loaded here, while the enumeration still holds a named group's name.
            *reinterpret_cast<HICON*>(icon) = IconGroup(from, group);
            return FALSE; // the first is enough
        },
        reinterpret_cast<LONG_PTR>(&first));
    return UniqueIcon(first);
}

// A module the loader cannot open for its resources (a 16-bit program, say), or whose icon it
// cannot find there (Windows keeps the icons of some system libraries in a separate resource
// file), is left to ExtractIconA, as the shell reads it. Its index 0 asks for the first icon and
// a negative index for the resource identifier; 1 cannot be asked for, as its index -1 means
// "how many icons".
UniqueIcon IconAsTheShellReadsIt(const IconLocation& location) {
    if (location.number == 1) return {};
    HICON icon =
        ExtractIconA(ui::Instance(), location.path.c_str(), -static_cast<int>(location.number));
    if (!IsIconHandle(icon)) return {};
    return UniqueIcon(icon);
}

} // namespace

UniqueIcon StockErrorIcon() {
    return UniqueIcon(CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32513))));
}

UniqueIcon IconLoads::Load(const std::string& location) {
    UniqueIcon icon;
    // The platform's ANSI file calls take no path this long: looking for it would only cost
    // time (a location of a hundred thousand characters held a showing up for half a minute).
    if (location.size() >= 32768) return StockErrorIcon();
    try {
        const IconLocation parsed = ParseIconLocation(location);
        if (parsed.path.size() >= MAX_PATH) {
            icon = {}; // no file the ANSI calls can open
        } else if (parsed.kind == IconLocationKind::Module) {
            auto [opened, isNew] = modules_.try_emplace(parsed.path);
            // As data only: nothing of the module runs.
            if (isNew)
                opened->second.reset(
                    LoadLibraryExA(parsed.path.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
            if (opened->second) icon = IconFromOpenModule(opened->second.get(), parsed.number);
            if (!icon) icon = IconAsTheShellReadsIt(parsed);
        } else if (parsed.kind == IconLocationKind::IconFile) {
            icon = IconFromFile(parsed.path);
        }
    } catch (const std::exception&) {
        // Only memory can run out here; the caller still gets an icon, as on every failure.
    }
    if (!icon) icon = StockErrorIcon();
    return icon;
}

UniqueIcon LoadIconFromLocation(const std::string& location) { return IconLoads().Load(location); }

} // namespace qm
