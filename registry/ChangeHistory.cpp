#include "registry/ChangeHistory.h"

#include "base/Handles.h"
#include "registry/RegistryAccessor.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <memory>

namespace qm {
namespace {

constexpr wchar_t kHeader[] = L"Windows Registry Editor Version 5.00";
constexpr wchar_t kTitle[] = L"; Quillmere change record";
constexpr wchar_t kTimeLine[] = L"; time: ";
constexpr wchar_t kWhatLine[] = L"; what: ";
constexpr wchar_t kKeyLine[] = L"; key: ";
constexpr wchar_t kContainerLine[] = L"; container: ";
constexpr wchar_t kWow[] = L"WOW6432Node";

struct Limits {
    size_t records = 200;
    uint64_t bytes = 50ull * 1024 * 1024;
};
Limits& HistoryLimits() {
    static Limits limits;
    return limits;
}
std::string& FolderOverride() {
    static std::string folder;
    return folder;
}
bool& RecordingOff() {
    static bool off = false;
    return off;
}

using Key = UniqueKey;
using File = UniqueFile;

Key OpenKey(HKEY root, REGSAM view, const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, access | view, &key) != ERROR_SUCCESS) return {};
    return Key(key);
}

// One key in one view, and the name the registry editor gives it.
struct ViewKey {
    HKEY root = nullptr;
    REGSAM view = 0;
    std::wstring path;
    bool container = false;
    bool grows = false;
};

std::wstring EditorName(const ViewKey& key) {
    std::wstring name =
        key.root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE" : L"HKEY_CURRENT_USER";
    std::wstring path = key.path;
    if (key.view == KEY_WOW64_32KEY) {
        // The 32-bit view as 64-bit Windows shows it: below Software\WOW6432Node.
        size_t slash = path.find(L'\\');
        path = slash == std::wstring::npos
                   ? path + L"\\" + kWow
                   : path.substr(0, slash) + L"\\" + kWow + path.substr(slash);
    }
    return name + L"\\" + path;
}

// The key the registry editor's name stands for; false for a name of another root.
bool FromEditorName(const std::wstring& name, ViewKey& key) {
    const std::pair<const wchar_t*, HKEY> roots[] = {{L"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
                                                     {L"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER}};
    for (const auto& [prefix, root] : roots) {
        const size_t length = wcslen(prefix);
        if (name.size() <= length || _wcsnicmp(name.c_str(), prefix, length) != 0) continue;
        key.root = root;
        key.path = name.substr(length);
        const std::vector<REGSAM> views = ViewsOf(root);
        key.view = views.back();
        size_t slash = key.path.find(L'\\');
        const size_t wowLength = wcslen(kWow);
        if (views.size() == 2 && slash != std::wstring::npos &&
            _wcsnicmp(key.path.c_str() + slash + 1, kWow, wowLength) == 0 &&
            (key.path.size() == slash + 1 + wowLength ||
             key.path[slash + 1 + wowLength] == L'\\')) {
            key.view = KEY_WOW64_32KEY;
            key.path.erase(slash, 1 + wowLength);
        }
        return true;
    }
    return false;
}

std::vector<ViewKey> InViews(const std::vector<ChangedKey>& keys) {
    std::vector<ViewKey> all;
    for (const ChangedKey& key : keys) {
        std::wstring path = WidenText(key.path);
        while (!path.empty() && path.front() == L'\\') path.erase(0, 1);
        while (!path.empty() && path.back() == L'\\') path.pop_back();
        for (REGSAM view : ViewsOf(key.root))
            all.push_back({key.root, view, path, key.container, key.grows});
    }
    return all;
}

// The names of a key's sub-keys, in the registry's order (read whole before any is opened).
std::vector<std::wstring> SubKeyNames(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

// UTF-16 text written through a buffer, so that a value of megabytes is encoded in pieces and
// never held twice.
class Writer {
public:
    explicit Writer(HANDLE file) : file_(file) { buffer_.reserve(kBuffer + 256); }
    void Put(std::wstring_view text) {
        buffer_.append(text);
        if (buffer_.size() >= kBuffer) Flush();
    }
    void Line(std::wstring_view text) {
        Put(text);
        Put(L"\r\n");
    }
    bool Flush() {
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(buffer_.size() * sizeof(wchar_t));
        if (size && (!WriteFile(file_, buffer_.data(), size, &written, nullptr) || written != size))
            failed_ = true;
        buffer_.clear();
        return !failed_;
    }
    bool Failed() const { return failed_; }

private:
    static constexpr size_t kBuffer = 32 * 1024;
    HANDLE file_;
    std::wstring buffer_;
    bool failed_ = false;
};

std::wstring Quoted(const std::wstring& text) {
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') quoted += L'\\';
        quoted += c;
    }
    return quoted + L"\"";
}

// Whether a REG_SZ can be written as a quoted text that reads back as the same bytes.
bool PlainText(const std::string& bytes) {
    if (bytes.size() < 2 || bytes.size() % 2) return false;
    const size_t count = bytes.size() / 2;
    const wchar_t* text = reinterpret_cast<const wchar_t*>(bytes.data());
    if (text[count - 1] != L'\0') return false;
    for (size_t i = 0; i + 1 < count; ++i)
        if (text[i] == L'\0' || text[i] == L'\r' || text[i] == L'\n') return false;
    return true;
}

void PutValue(Writer& out, const std::wstring& name, DWORD type, const std::string& bytes) {
    out.Put(name.empty() ? L"@" : Quoted(name));
    out.Put(L"=");
    if (type == REG_DWORD && bytes.size() == 4) {
        wchar_t text[16];
        DWORD value = 0;
        memcpy(&value, bytes.data(), 4);
        swprintf(text, 16, L"dword:%08x", static_cast<unsigned>(value));
        out.Line(text);
        return;
    }
    if (type == REG_SZ && PlainText(bytes)) {
        out.Line(Quoted(
            std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2 - 1)));
        return;
    }
    wchar_t prefix[16];
    if (type == REG_BINARY)
        wcscpy(prefix, L"hex:");
    else
        swprintf(prefix, 16, L"hex(%x):", static_cast<unsigned>(type));
    out.Put(prefix);
    static const wchar_t digits[] = L"0123456789abcdef";
    wchar_t piece[4] = {};
    for (size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(bytes[i]);
        piece[0] = digits[byte >> 4];
        piece[1] = digits[byte & 15];
        piece[2] = i + 1 < bytes.size() ? L',' : L'\0';
        out.Put(std::wstring_view(piece, i + 1 < bytes.size() ? 3 : 2));
        if (i + 1 < bytes.size() && i % 25 == 24) out.Put(L"\\\r\n  ");
    }
    out.Line(L"");
}

// Every value of the key in turn, each read with one call: the buffers are sized for the
// longest name and data the key holds, and grow when a value grew meanwhile.
template <typename Each>
void ForEachValue(HKEY key, Each each) {
    DWORD longestName = 0, longestData = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &longestName, &longestData, nullptr, nullptr);
    std::wstring valueName(longestName + 2, L'\0');
    std::string data(longestData + 2, '\0');
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(valueName.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG result = RegEnumValueW(key, i, valueName.data(), &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &size);
        if (result == ERROR_MORE_DATA) { // grown since it was asked: ask again with room
            valueName.resize(valueName.size() * 2 + 256);
            data.resize(std::max<size_t>(data.size() * 2, size + 2));
            --i;
            continue;
        }
        if (result != ERROR_SUCCESS) break;
        each(std::wstring_view(valueName.data(), nameLength), type,
             std::string_view(data.data(), std::min<size_t>(size, data.size())));
    }
}

// FNV-1a over bytes, the hash both digests below are made of.
class Fnv {
public:
    void Add(const void* data, size_t size) {
        const unsigned char* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) hash_ = (hash_ ^ bytes[i]) * 1099511628211ull;
    }
    void Add(std::wstring_view text) {
        Add(text.data(), text.size() * sizeof(wchar_t));
        Add("\0", 1);
    }
    uint64_t Value() const { return hash_; }

private:
    uint64_t hash_ = 14695981039346656037ull;
};

// How a key is, as records written by earlier versions noted it: whether it exists, its values
// and its sub-keys all the way down, in the order the registry lists them.
class ListedDigest : public Fnv {
public:
    void Tree(HKEY key, REGSAM view) {
        ForEachValue(key, [&](std::wstring_view name, DWORD type, std::string_view data) {
            Add(name.data(), name.size() * sizeof(wchar_t));
            Add("\0", 1);
            Add(&type, sizeof type);
            Add(data.data(), data.size());
        });
        for (const std::wstring& subName : SubKeyNames(key)) {
            Add(L"[" + subName);
            if (Key sub = OpenKey(key, view, subName, KEY_READ)) Tree(sub.get(), view);
        }
    }
};

// The whole tree counts, for a container too: a key another program made in it since is a
// change that taking the container away would lose.
uint64_t ListedStateOf(const ViewKey& key) {
    ListedDigest digest;
    Key open = OpenKey(key.root, key.view, key.path, KEY_READ);
    digest.Add(open ? "1" : "0", 1);
    if (open) digest.Tree(open.get(), key.view);
    return digest.Value();
}

// How a key is now, in a way that does not depend on the order in which the registry lists
// its values and sub-keys (Windows lists values as they were made, Wine by name): each value
// and each sub-key has a digest of its own, and a key's digest takes them sorted by name. A
// key whose contents the program knows (it made the key and wrote every value in it) so has
// the digest a read of it would give, without being read.
using NamedDigests = ChangeRecord::NamedDigests;
using KeyParts = ChangeRecord::KeyParts;

uint64_t ValueDigest(std::wstring_view name, DWORD type, std::string_view data) {
    Fnv digest;
    digest.Add(name);
    digest.Add(&type, sizeof type);
    digest.Add(data.data(), data.size());
    return digest.Value();
}

uint64_t KeyDigest(KeyParts parts) {
    Fnv digest;
    digest.Add("1", 1);
    for (NamedDigests* part : {&parts.values, &parts.subKeys}) {
        std::sort(part->begin(), part->end());
        for (const auto& [name, inner] : *part) {
            digest.Add(name);
            digest.Add(&inner, sizeof inner);
        }
        digest.Add("[", 1);
    }
    return digest.Value();
}

uint64_t AbsentDigest() {
    Fnv digest;
    digest.Add("0", 1);
    return digest.Value();
}

// Values written into a key noted as its values' digests: a name written again is one value,
// with the last bytes written and the first name's letters, which the registry keeps.
void Replace(NamedDigests& values, const std::vector<StoredValue>& written) {
    std::map<std::wstring, size_t> byName; // in capitals
    auto upper = [](std::wstring name) {
        if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
        return name;
    };
    for (size_t i = 0; i < values.size(); ++i) byName.emplace(upper(values[i].first), i);
    for (const StoredValue& value : written) {
        const auto [at, isNew] = byName.emplace(upper(value.name), values.size());
        if (isNew) values.emplace_back(value.name, 0);
        auto& [kept, digest] = values[at->second];
        digest = ValueDigest(kept, value.type, value.bytes);
    }
}

// A key's identity for the digests a change knows: its root, view and path, in capitals.
std::wstring KnownName(HKEY root, REGSAM view, std::wstring path) {
    while (!path.empty() && path.front() == L'\\') path.erase(0, 1);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    if (!path.empty()) CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    return std::wstring(root == HKEY_LOCAL_MACHINE ? L"M" : L"U") + std::to_wstring(view) + L":" +
           path;
}

uint64_t TreeDigest(HKEY key, REGSAM view) {
    KeyParts parts;
    ForEachValue(key, [&](std::wstring_view name, DWORD type, std::string_view data) {
        parts.values.emplace_back(std::wstring(name), ValueDigest(name, type, data));
    });
    for (const std::wstring& subName : SubKeyNames(key)) {
        Key sub = OpenKey(key, view, subName, KEY_READ);
        parts.subKeys.emplace_back(subName, sub ? TreeDigest(sub.get(), view) : AbsentDigest());
    }
    return KeyDigest(std::move(parts));
}

uint64_t StateOf(const ViewKey& key) {
    Key open = OpenKey(key.root, key.view, key.path, KEY_READ);
    return open ? TreeDigest(open.get(), key.view) : AbsentDigest();
}

// Writes the key's values and sub-keys to a record, each sub-key as its own section below it,
// and gives the parts of the key's digest from the same reads.
KeyParts PutTree(Writer& out, HKEY key, REGSAM view, const std::wstring& name) {
    KeyParts parts;
    out.Line(L"[" + name + L"]");
    ForEachValue(key, [&](std::wstring_view valueName, DWORD type, std::string_view data) {
        PutValue(out, std::wstring(valueName), type, std::string(data));
        parts.values.emplace_back(std::wstring(valueName), ValueDigest(valueName, type, data));
    });
    out.Line(L"");
    for (const std::wstring& subName : SubKeyNames(key)) {
        Key sub = OpenKey(key, view, subName, KEY_READ);
        parts.subKeys.emplace_back(
            subName, sub ? KeyDigest(PutTree(out, sub.get(), view, name + L"\\" + subName))
                         : AbsentDigest());
    }
    return parts;
}

// A state in the file noted after a change: the order-free digest, marked so, or (from an
// earlier version) the digest in the registry's order.
constexpr wchar_t kSortedState[] = L"2:";

std::wstring StateLine(uint64_t digest, const wchar_t* mark = L"") {
    wchar_t line[40];
    swprintf(line, 40, L"%ls%016llx", mark, static_cast<unsigned long long>(digest));
    return line;
}

bool IsEmpty(const ViewKey& key) {
    Key open = OpenKey(key.root, key.view, key.path, KEY_READ);
    DWORD subKeys = 0, values = 0;
    return !open ||
           (RegQueryInfoKeyW(open.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
            subKeys == 0 && values == 0);
}

std::wstring FolderW() { return WidenText(HistoryFolder()); }

std::wstring Now() {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay,
             time.wHour, time.wMinute, time.wSecond);
    return text;
}

std::wstring StampName() {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    wchar_t text[40];
    swprintf(text, 40, L"%04u%02u%02u-%02u%02u%02u-%03u", time.wYear, time.wMonth, time.wDay,
             time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    return text;
}

// The file's text, UTF-16 after its byte-order mark; at most `limit` bytes of it.
std::optional<std::wstring> ReadText(const std::wstring& path, size_t limit = SIZE_MAX) {
    File file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(file.get(), &size);
    const uint64_t wanted = std::min<uint64_t>(static_cast<uint64_t>(size.QuadPart), limit);
    std::string bytes(static_cast<size_t>(wanted), '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return std::nullopt;
    bytes.resize(read & ~1u);
    if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return std::nullopt;
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(L'\n', at);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(at, end - at);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(std::move(line));
        at = end + 1;
    }
    return lines;
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, wcslen(prefix), prefix) == 0;
}

struct RecordFile {
    std::wstring path;
    uint64_t size = 0;
};

// The records in the folder, oldest first (their names begin with the time they were made).
std::vector<RecordFile> RecordFiles() {
    std::vector<RecordFile> files;
    const std::wstring folder = FolderW();
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*.reg").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        files.push_back({folder + L"\\" + found.cFileName,
                         (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(files.begin(), files.end(),
              [](const RecordFile& a, const RecordFile& b) { return a.path < b.path; });
    return files;
}

void Forget(const std::wstring& record) {
    DeleteFileW(record.c_str());
    DeleteFileW((record + L".after").c_str());
}

// Drops the oldest records beyond the history's bounds; the newest always stays.
void Prune() {
    std::vector<RecordFile> files = RecordFiles();
    uint64_t total = 0;
    for (const RecordFile& file : files) total += file.size;
    for (size_t i = 0; i + 1 < files.size(); ++i) {
        if (files.size() - i <= HistoryLimits().records && total <= HistoryLimits().bytes) break;
        total -= files[i].size;
        Forget(files[i].path);
    }
}

std::wstring SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = text ? text : L"error " + std::to_wstring(code);
    if (text) LocalFree(text);
    while (!message.empty() && iswspace(message.back())) message.pop_back();
    return message;
}

// Parses "hex(2):25,00,..." (continuation lines already joined) into bytes.
bool ParseHex(const std::wstring& text, std::string& bytes) {
    bytes.clear();
    int high = -1;
    for (wchar_t c : text) {
        int digit = -1;
        if (c >= L'0' && c <= L'9')
            digit = c - L'0';
        else if (c >= L'a' && c <= L'f')
            digit = c - L'a' + 10;
        else if (c >= L'A' && c <= L'F')
            digit = c - L'A' + 10;
        else if (c == L',' || c == L' ' || c == L'\\' || c == L'\t') {
            if (high >= 0) return false;
            continue;
        } else {
            return false;
        }
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high << 4 | digit);
            high = -1;
        }
    }
    return high < 0;
}

// Reads a quoted text at `at` (just past its opening quote); the index after its closing one.
size_t Unquote(const std::wstring& line, size_t at, std::wstring& text) {
    text.clear();
    for (; at < line.size(); ++at) {
        if (line[at] == L'\\' && at + 1 < line.size()) {
            text += line[++at];
        } else if (line[at] == L'"') {
            return at + 1;
        } else {
            text += line[at];
        }
    }
    return std::wstring::npos;
}

bool DeleteTree(const ViewKey& key) {
    size_t slash = key.path.rfind(L'\\');
    if (slash == std::wstring::npos) return false; // never a root's own first level
    Key parent = OpenKey(key.root, key.view, key.path.substr(0, slash), KEY_ALL_ACCESS);
    if (!parent) return true; // nothing there to delete
    LONG result = RegDeleteTreeW(parent.get(), key.path.substr(slash + 1).c_str());
    if (result == ERROR_FILE_NOT_FOUND) return true;
    if (result != ERROR_SUCCESS) return false;
    result = RegDeleteKeyExW(parent.get(), key.path.substr(slash + 1).c_str(), key.view, 0);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

} // namespace

namespace testing {
void SetHistoryFolder(const std::string& folder) { FolderOverride() = folder; }
void SetHistoryLimits(size_t records, uint64_t bytes) { HistoryLimits() = {records, bytes}; }
void SetRecording(bool on) { RecordingOff() = !on; }
} // namespace testing

std::string HistoryFolder() {
    std::wstring folder;
    if (!FolderOverride().empty()) {
        folder = WidenText(FolderOverride());
    } else {
        wchar_t local[MAX_PATH];
        const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) return {};
        folder = std::wstring(local) + L"\\Quillmere\\History";
    }
    // Made with its missing parents, one level at a time.
    for (size_t at = folder.find(L'\\', 3); at != std::wstring::npos;
         at = folder.find(L'\\', at + 1))
        CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return NarrowText(folder);
}

ChangeRecord RecordChange(const std::string& what, const std::vector<ChangedKey>& keys) {
    ChangeRecord record;
    record.keys_ = keys;
    const std::wstring folder = FolderW();
    if (folder.empty()) {
        record.failure_ = "The history folder cannot be found";
        return record;
    }
    const std::wstring stamp = StampName();
    const std::wstring temporary = folder + L"\\~" + stamp + L".tmp";
    {
        File file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            record.failure_ = NarrowText(SystemMessage(GetLastError()));
            return record;
        }
        Writer out(file.get());
        out.Put(L"\xFEFF");
        out.Line(kHeader);
        out.Line(kTitle);
        out.Line(kTimeLine + Now());
        std::wstring description = WidenText(what);
        std::replace(description.begin(), description.end(), L'\n', L' ');
        out.Line(kWhatLine + description);
        const std::vector<ViewKey> all = InViews(keys);
        for (const ViewKey& key : all) out.Line(kKeyLine + EditorName(key));
        for (const ViewKey& key : all)
            if (key.container) out.Line(kContainerLine + EditorName(key));
        out.Line(L"");
        // The keys themselves first, then the containers: a container that the change made
        // goes again only once what the change put into it is gone.
        for (bool containers : {false, true}) {
            for (const ViewKey& key : all) {
                if (key.container != containers) continue;
                Key open = OpenKey(key.root, key.view, key.path, KEY_READ);
                if (open && key.container) continue; // only its absence matters
                out.Line(L"[-" + EditorName(key) + L"]");
                KeyParts parts;
                if (open) parts = PutTree(out, open.get(), key.view, EditorName(key));
                if (key.grows)
                    record.before_[KnownName(key.root, key.view, key.path)] =
                        std::make_pair(static_cast<bool>(open), std::move(parts));
                out.Line(L"");
            }
        }
        out.Flush();
        if (out.Failed() || !FlushFileBuffers(file.get())) {
            const DWORD error = GetLastError();
            file.reset();
            DeleteFileW(temporary.c_str());
            record.failure_ = NarrowText(SystemMessage(error ? error : ERROR_WRITE_FAULT));
            return record;
        }
    }
    // Renamed into place only once whole: a record in the history is always complete.
    for (int n = 0; n < 100; ++n) {
        std::wstring name =
            folder + L"\\" + stamp + (n ? L"-" + std::to_wstring(n) : L"") + L".reg";
        if (MoveFileExW(temporary.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH)) {
            record.file_ = NarrowText(name);
            Prune();
            return record;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    record.failure_ = NarrowText(SystemMessage(GetLastError()));
    DeleteFileW(temporary.c_str());
    return record;
}

std::optional<ChangeRecord> BeginChange(const std::string& what,
                                        const std::vector<ChangedKey>& keys,
                                        const GoOnWithoutRecord& goOn) {
    if (RecordingOff()) return ChangeRecord{};
    ChangeRecord record = RecordChange(what, keys);
    if (!record.Written() && !goOn(record.Failure())) return std::nullopt;
    return record;
}

void ChangeRecord::Discard() {
    if (file_.empty()) return;
    Forget(WidenText(file_));
    file_.clear();
}

void ChangeRecord::Made(HKEY root, const std::string& path,
                        const std::vector<StoredValue>& values) {
    NamedDigests digests;
    Replace(digests, values);
    const uint64_t digest = KeyDigest({std::move(digests), {}});
    std::wstring wide = WidenText(path);
    while (!wide.empty() && wide.back() == L'\\') wide.pop_back();
    const size_t last = wide.find_last_of(L'\\');
    const std::wstring parent = last == std::wstring::npos ? L"" : wide.substr(0, last);
    const std::wstring name = wide.substr(last == std::wstring::npos ? 0 : last + 1);
    for (REGSAM view : ViewsOf(root))
        madeBelow_[KnownName(root, view, parent)].emplace_back(name, digest);
}

void ChangeRecord::Wrote(HKEY root, const std::string& path,
                         const std::vector<StoredValue>& values) {
    for (REGSAM view : ViewsOf(root)) {
        std::vector<StoredValue>& wrote = wroteIn_[KnownName(root, view, WidenText(path))];
        wrote.insert(wrote.end(), values.begin(), values.end());
    }
}

void ChangeRecord::Finish() {
    if (file_.empty()) return;
    std::wstring text = L"\xFEFF";
    for (const ViewKey& key : InViews(keys_)) {
        // A key that only grew is as it was with the keys made and the values written in it;
        // one that did not exist before and got none is read (the change may have made it all
        // the same).
        const std::wstring name = KnownName(key.root, key.view, key.path);
        const auto before = before_.find(name);
        const auto below = madeBelow_.find(name);
        const auto wrote = wroteIn_.find(name);
        uint64_t digest = 0;
        if (before != before_.end() &&
            (before->second.first || below != madeBelow_.end() || wrote != wroteIn_.end())) {
            KeyParts parts = before->second.second;
            if (below != madeBelow_.end())
                parts.subKeys.insert(parts.subKeys.end(), below->second.begin(),
                                     below->second.end());
            if (wrote != wroteIn_.end()) Replace(parts.values, wrote->second);
            digest = KeyDigest(std::move(parts));
        } else {
            digest = StateOf(key);
        }
        text += StateLine(digest, kSortedState) + L"\r\n";
    }
    const std::wstring path = WidenText(file_) + L".after";
    File file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return; // taking the change back then asks first
    }
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
              nullptr);
}

std::vector<ChangeEntry> ListChanges(size_t most) {
    std::vector<ChangeEntry> changes;
    std::vector<RecordFile> files = RecordFiles();
    for (auto it = files.rbegin(); it != files.rend() && changes.size() < most; ++it) {
        std::optional<std::wstring> head = ReadText(it->path, 16 * 1024);
        if (!head) continue;
        std::vector<std::wstring> lines = Lines(*head);
        if (lines.size() < 2 || lines[0] != kHeader || lines[1] != kTitle) continue;
        ChangeEntry entry;
        entry.file = NarrowText(it->path);
        for (size_t i = 2; i < lines.size() && StartsWith(lines[i], L";"); ++i) {
            if (StartsWith(lines[i], kTimeLine))
                entry.time = NarrowText(lines[i].substr(wcslen(kTimeLine)));
            else if (StartsWith(lines[i], kWhatLine))
                entry.what = NarrowText(lines[i].substr(wcslen(kWhatLine)));
            else if (StartsWith(lines[i], kKeyLine))
                entry.keys.push_back(NarrowText(lines[i].substr(wcslen(kKeyLine))));
        }
        changes.push_back(std::move(entry));
    }
    return changes;
}

std::vector<std::string> KeysChangedSince(const ChangeEntry& change) {
    std::vector<std::string> changed;
    std::optional<std::wstring> after = ReadText(WidenText(change.file) + L".after");
    std::vector<std::wstring> states = after ? Lines(*after) : std::vector<std::wstring>{};
    for (size_t i = 0; i < change.keys.size(); ++i) {
        ViewKey key;
        if (!FromEditorName(WidenText(change.keys[i]), key)) {
            changed.push_back(change.keys[i]);
            continue;
        }
        const bool sorted = i < states.size() && StartsWith(states[i], kSortedState);
        const std::wstring now =
            sorted ? StateLine(StateOf(key), kSortedState) : StateLine(ListedStateOf(key));
        if (i >= states.size() || states[i] != now) changed.push_back(change.keys[i]);
    }
    return changed;
}

RestoreResult RestoreChange(const ChangeEntry& change) {
    RestoreResult result;
    std::optional<std::wstring> text = ReadText(WidenText(change.file));
    if (!text) {
        result.failure = "The record " + change.file + " cannot be read";
        return result;
    }
    // Every key the record restores lies at or below a key it names in its header. A container
    // the change made is taken away again only when nothing is left in it.
    std::vector<std::wstring> allowed, containers;
    for (const std::string& key : change.keys) allowed.push_back(WidenText(key));
    for (const std::wstring& line : Lines(*text))
        if (StartsWith(line, kContainerLine))
            containers.push_back(line.substr(wcslen(kContainerLine)));
    const auto permitted = [&](const std::wstring& name) {
        for (const std::wstring& top : allowed)
            if (name.size() >= top.size() &&
                _wcsnicmp(name.c_str(), top.c_str(), top.size()) == 0 &&
                (name.size() == top.size() || name[top.size()] == L'\\'))
                return true;
        return false;
    };
    // Continuation lines (a trailing backslash) are joined first.
    std::vector<std::wstring> lines;
    for (std::wstring& line : Lines(*text)) {
        if (!lines.empty() && !lines.back().empty() && lines.back().back() == L'\\' &&
            !StartsWith(lines.back(), L"[")) {
            lines.back().pop_back();
            lines.back() += line;
        } else {
            lines.push_back(std::move(line));
        }
    }
    Key current;
    ViewKey currentKey;
    for (size_t n = 1; n < lines.size(); ++n) {
        const std::wstring& line = lines[n];
        if (line.empty() || line[0] == L';') continue;
        const auto fail = [&](const std::string& why) {
            result.failure = why + " (line " + std::to_string(n + 1) + " of " + change.file + ")";
            return result;
        };
        if (line[0] == L'[') {
            current.reset();
            const bool remove = line.size() > 2 && line[1] == L'-';
            if (line.back() != L']') return fail("A key line is not closed");
            const std::wstring name = line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2));
            if (!permitted(name) || !FromEditorName(name, currentKey))
                return fail("The record names a key it does not cover");
            if (remove) {
                const bool container =
                    std::find(containers.begin(), containers.end(), name) != containers.end();
                if (container && !IsEmpty(currentKey)) continue;
                if (!DeleteTree(currentKey)) return fail("A key cannot be deleted");
                continue;
            }
            HKEY made = nullptr;
            LONG made_result =
                RegCreateKeyExW(currentKey.root, currentKey.path.c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS | currentKey.view, nullptr, &made, nullptr);
            if (made_result != ERROR_SUCCESS)
                return fail(NarrowText(SystemMessage(static_cast<DWORD>(made_result))));
            current.reset(made);
            continue;
        }
        if (!current) return fail("A value comes before its key");
        std::wstring name;
        size_t at = 0;
        if (line[0] == L'@') {
            at = 1;
        } else if (line[0] == L'"') {
            at = Unquote(line, 1, name);
            if (at == std::wstring::npos) return fail("A value's name is not closed");
        } else {
            return fail("A line is neither a key nor a value");
        }
        if (at >= line.size() || line[at] != L'=') return fail("A value has no data");
        const std::wstring data = line.substr(at + 1);
        DWORD type = REG_SZ;
        std::string bytes;
        if (StartsWith(data, L"\"")) {
            std::wstring value;
            if (Unquote(data, 1, value) == std::wstring::npos) return fail("A text is not closed");
            value += L'\0';
            bytes.assign(reinterpret_cast<const char*>(value.data()),
                         value.size() * sizeof(wchar_t));
        } else if (StartsWith(data, L"dword:")) {
            type = REG_DWORD;
            const DWORD value = wcstoul(data.c_str() + 6, nullptr, 16);
            bytes.assign(reinterpret_cast<const char*>(&value), sizeof value);
        } else if (StartsWith(data, L"hex:")) {
            type = REG_BINARY;
            if (!ParseHex(data.substr(4), bytes)) return fail("Bytes cannot be read");
        } else if (StartsWith(data, L"hex(")) {
            size_t close = data.find(L"):");
            if (close == std::wstring::npos) return fail("A type cannot be read");
            type = wcstoul(data.c_str() + 4, nullptr, 16);
            if (!ParseHex(data.substr(close + 2), bytes)) return fail("Bytes cannot be read");
        } else if (data == L"-") {
            RegDeleteValueW(current.get(), name.empty() ? nullptr : name.c_str());
            continue;
        } else {
            return fail("A value's data cannot be read");
        }
        LONG set = RegSetValueExW(current.get(), name.empty() ? nullptr : name.c_str(), 0, type,
                                  reinterpret_cast<const BYTE*>(bytes.data()),
                                  static_cast<DWORD>(bytes.size()));
        if (set != ERROR_SUCCESS) return fail(NarrowText(SystemMessage(static_cast<DWORD>(set))));
    }
    Forget(WidenText(change.file));
    result.restored = true;
    return result;
}

} // namespace qm
