#include "buttons/ElevatedChange.h"

#include "base/Handles.h"
#include "base/Text.h"
#include "buttons/ButtonRecord.h"
#include "registry/KeyScope.h"
#include "registry/ShownValues.h"
#include "ui/Texts.h"

#include "resource.h"

#include <windows.h>
#include <sddl.h>
#include <bcrypt.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace qm {
namespace {

constexpr char kHeader[] = "Quillmere elevated change 1";
// Far above any change the window hands over: a value is at most the import's 1 MiB.
constexpr size_t kMostBytes = 8 * 1024 * 1024;
constexpr size_t kMostValueBytes = 1024 * 1024;

// The values of a button record: the only ones a hand-over may write. A save writes those the
// page edits; a new record also its handler class and the program's marker.
constexpr const char* kPageValues[] = {kButtonTextValue, kExecValue,         kScriptValue,
                                       kIconValue,       kHotIconValue,      kDefaultVisibleValue,
                                       kMenuTextValue,   kMenuStatusBarValue};
constexpr const char* kNewRecordOnly[] = {kClsidValue, kIsQuillmereValue};

bool Among(const std::string& name, const auto& names) {
    return std::any_of(std::begin(names), std::end(names),
                       [&](const char* known) { return name == known; });
}

constexpr char kHexDigits[] = "0123456789abcdef";

std::string ToHex(std::string_view bytes) {
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        hex += kHexDigits[c >> 4];
        hex += kHexDigits[c & 15];
    }
    return hex;
}

std::optional<std::string> FromHex(std::string_view hex) {
    if (hex.size() % 2) return std::nullopt;
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t at = 0; at < hex.size(); at += 2) {
        const char* high = std::find(kHexDigits, kHexDigits + 16, hex[at]);
        const char* low = std::find(kHexDigits, kHexDigits + 16, hex[at + 1]);
        if (high == kHexDigits + 16 || low == kHexDigits + 16) return std::nullopt;
        bytes += static_cast<char>((high - kHexDigits) * 16 + (low - kHexDigits));
    }
    return bytes;
}

std::string ValueText(const std::optional<RawValue>& value) {
    if (!value) return "-";
    return std::to_string(value->type) + ":" + ToHex(value->bytes);
}

// "-", or "TYPE:HEX" with a decimal type of at most two digits.
bool ReadValue(std::string_view text, std::optional<RawValue>& value) {
    if (text == "-") {
        value.reset();
        return true;
    }
    size_t colon = text.find(':');
    if (colon == 0 || colon > 2 || colon == std::string_view::npos) return false;
    DWORD type = 0;
    for (char c : text.substr(0, colon)) {
        if (c < '0' || c > '9') return false;
        type = type * 10 + static_cast<DWORD>(c - '0');
    }
    if (type > REG_QWORD) return false;
    std::optional<std::string> bytes = FromHex(text.substr(colon + 1));
    if (!bytes || bytes->size() > kMostValueBytes) return false;
    value = RawValue{type, std::move(*bytes)};
    return true;
}

// A value to store: a plain or expandable string that ends with its one NUL.
bool StorableText(const RawValue& value) {
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return false;
    return !value.bytes.empty() && value.bytes.find('\0') == value.bytes.size() - 1;
}

// A key name as the program's records have them: a GUID in braces, never the browser's own.
bool ButtonKeyNameShape(const std::string& name) {
    static constexpr char kShape[] = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    if (name.size() != sizeof kShape - 1) return false;
    for (size_t at = 0; at < name.size(); ++at) {
        const char c = name[at];
        if (kShape[at] != 'x') {
            if (c != kShape[at]) return false;
        } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return _stricmp(name.c_str(), kReservedButtonKey) != 0;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (size_t at = 0;;) {
        size_t end = text.find(separator, at);
        parts.push_back(text.substr(at, end == std::string_view::npos ? end : end - at));
        if (end == std::string_view::npos) return parts;
        at = end + 1;
    }
}

// The user's own SID as text, for the hand-over file's access list.
std::wstring UserSid() {
    UniqueKernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.out())) return {};
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    std::wstring text;
    if (size && GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) {
        LPWSTR sid = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid)) {
            text = sid;
            LocalFree(sid);
        }
    }
    return text;
}

std::string RandomHex(size_t bytes) {
    std::string random(bytes, '\0');
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(random.data()),
                                        static_cast<ULONG>(bytes),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        return {};
    return ToHex(random);
}

std::runtime_error HandOverError(const std::string& why) {
    return std::runtime_error(ui::Text(IDS_HANDOVER_NOT_WRITTEN, {why}));
}

} // namespace

std::string ElevatedChangeText(const ElevatedChange& change) {
    const char* action = change.action == ElevatedChange::Action::Save     ? "save"
                         : change.action == ElevatedChange::Action::Create ? "create"
                                                                           : "delete";
    std::string text =
        std::string(kHeader) + "\naction\t" + action + "\nkey\t" + change.keyName + "\n";
    for (const ElevatedEdit& edit : change.edits)
        text += "value\t" + edit.name + "\t" + ValueText(edit.found) + "\t" +
                ValueText(edit.value) + "\n";
    return text;
}

std::optional<ElevatedChange> ReadElevatedChange(std::string_view text) {
    if (text.size() > kMostBytes || text.empty() || text.back() != '\n') return std::nullopt;
    std::vector<std::string_view> lines = Split(text.substr(0, text.size() - 1), '\n');
    if (lines.size() < 3 || lines[0] != kHeader) return std::nullopt;
    ElevatedChange change;
    std::vector<std::string_view> action = Split(lines[1], '\t');
    if (action.size() != 2 || action[0] != "action") return std::nullopt;
    if (action[1] == "save")
        change.action = ElevatedChange::Action::Save;
    else if (action[1] == "create")
        change.action = ElevatedChange::Action::Create;
    else if (action[1] == "delete")
        change.action = ElevatedChange::Action::Delete;
    else
        return std::nullopt;
    std::vector<std::string_view> key = Split(lines[2], '\t');
    if (key.size() != 2 || key[0] != "key") return std::nullopt;
    change.keyName = std::string(key[1]);
    if (!ButtonKeyNameShape(change.keyName)) return std::nullopt;

    for (size_t at = 3; at < lines.size(); ++at) {
        std::vector<std::string_view> fields = Split(lines[at], '\t');
        if (fields.size() != 4 || fields[0] != "value") return std::nullopt;
        ElevatedEdit edit;
        edit.name = std::string(fields[1]);
        const bool create = change.action == ElevatedChange::Action::Create;
        if (!Among(edit.name, kPageValues) && !(create && Among(edit.name, kNewRecordOnly)))
            return std::nullopt;
        if (std::any_of(change.edits.begin(), change.edits.end(),
                        [&](const ElevatedEdit& other) { return other.name == edit.name; }))
            return std::nullopt;
        if (!ReadValue(fields[2], edit.found) || !ReadValue(fields[3], edit.value))
            return std::nullopt;
        if (edit.value && !StorableText(*edit.value)) return std::nullopt;
        // A new record has nothing to be found, and only values to store.
        if (create && (edit.found || !edit.value || edit.value->type != REG_SZ))
            return std::nullopt;
        change.edits.push_back(std::move(edit));
    }
    // A deletion carries no values; a save or a new record at least one.
    if ((change.action == ElevatedChange::Action::Delete) != change.edits.empty())
        return std::nullopt;
    return change;
}

std::string Sha256Hex(std::string_view bytes) {
    // Cryptography Next Generation: unlike the older providers it reads nothing from the
    // registry to find its algorithms.
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return {};
    UCHAR digest[32];
    BCRYPT_HASH_HANDLE hash = nullptr;
    const bool made =
        BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0)) &&
        BCRYPT_SUCCESS(BCryptHashData(hash,
                                      reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                                      static_cast<ULONG>(bytes.size()), 0)) &&
        BCRYPT_SUCCESS(BCryptFinishHash(hash, digest, sizeof digest, 0));
    if (hash) BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return made ? ToHex(std::string_view(reinterpret_cast<const char*>(digest), sizeof digest))
                : std::string();
}

HandOverFile::~HandOverFile() {
    if (!path_.empty()) DeleteFileW(WidenText(path_).c_str());
}

HandOverFile::HandOverFile(HandOverFile&& other) noexcept
    : path_(std::move(other.path_)), digest_(std::move(other.digest_)) {
    other.path_.clear();
}

HandOverFile HandOverFile::Write(const ElevatedChange& change) {
    const std::string text = ElevatedChangeText(change);
    HandOverFile file;
    file.digest_ = Sha256Hex(text);
    const std::string name = RandomHex(16);
    const std::wstring user = UserSid();
    if (file.digest_.empty() || name.empty() || user.empty())
        throw HandOverError(ui::Text(IDS_HANDOVER_NO_SECURITY));
    wchar_t folder[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) throw HandOverError(ui::Text(IDS_HANDOVER_NO_SECURITY));
    // The user may change the file; administrators and the system only read it. Inherited
    // entries are not taken: nobody else may write it.
    const std::wstring sddl = L"D:P(A;;FA;;;" + user + L")(A;;FR;;;BA)(A;;FR;;;SY)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr))
        throw HandOverError(ui::Text(IDS_HANDOVER_NO_SECURITY));
    std::unique_ptr<void, decltype(&LocalFree)> owned(descriptor, &LocalFree);
    SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
    const std::string path = NarrowText(folder) + "Quillmere-change-" + name + ".txt";
    UniqueFile handle{CreateFileW(WidenText(path).c_str(), GENERIC_WRITE, 0, &security, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY, nullptr)};
    if (!handle) throw HandOverError(ui::Text(IDS_HANDOVER_NO_FILE, {path}));
    file.path_ = path; // removed again from here on, whatever happens
    DWORD written = 0;
    if (!WriteFile(handle.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size() || !FlushFileBuffers(handle.get()))
        throw HandOverError(ui::Text(IDS_HANDOVER_NO_FILE, {path}));
    return file;
}

std::string HandOverFile::Arguments() const {
    return "/apply-change \"" + path_ + "\" /digest " + digest_;
}

ElevatedChange ReadHandOverFile(const std::string& path, const std::string& digest) {
    auto refuse = [&](UINT why) {
        return HandOverRefused(ui::Text(IDS_HANDOVER_REFUSED, {path, ui::Text(why)}));
    };
    if (digest.size() != 64 || !FromHex(digest)) throw refuse(IDS_HANDOVER_BAD_DIGEST);
    // Nobody may write the file while it is read; a device or a pipe is no hand-over file.
    UniqueFile handle{CreateFileW(WidenText(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!handle) throw refuse(IDS_HANDOVER_NOT_READ);
    LARGE_INTEGER size{};
    if (GetFileType(handle.get()) != FILE_TYPE_DISK || !GetFileSizeEx(handle.get(), &size) ||
        size.QuadPart > static_cast<LONGLONG>(kMostBytes))
        throw refuse(IDS_HANDOVER_FOREIGN);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() &&
        (!ReadFile(handle.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
         read != bytes.size()))
        throw refuse(IDS_HANDOVER_NOT_READ);
    // What is checked is what was read: the bytes in memory, not the file again.
    if (Sha256Hex(bytes) != digest) throw refuse(IDS_HANDOVER_FOREIGN);
    std::optional<ElevatedChange> change = ReadElevatedChange(bytes);
    if (!change) throw refuse(IDS_HANDOVER_NOT_ALLOWED);
    return *change;
}

AppliedChange ApplyElevatedChange(const ElevatedChange& change,
                                  const OverwriteQuestion& overwrite) {
    RegistryAccessor registry;
    switch (change.action) {
    case ElevatedChange::Action::Delete:
        try {
            if (DeleteButtonRecord(registry, HKEY_LOCAL_MACHINE, change.keyName))
                return AppliedChange::Done;
        } catch (const RegistryError& error) {
            // A refusal is reported; a record that cannot be deleted for any other reason is
            // taken as one that is gone.
            if (error.Refused()) throw;
        }
        return AppliedChange::Missing;
    case ElevatedChange::Action::Create: {
        std::vector<std::pair<std::string, std::string>> values;
        for (const ElevatedEdit& edit : change.edits)
            values.emplace_back(edit.name,
                                edit.value->bytes.substr(0, edit.value->bytes.size() - 1));
        return MakeButtonRecord(registry, HKEY_LOCAL_MACHINE, change.keyName, values)
                   ? AppliedChange::Done
                   : AppliedChange::Exists;
    }
    case ElevatedChange::Action::Save: break;
    }
    const RecordOpener open = [&](RegistryAccessor& record) {
        RegistryAccessor extensions;
        return OpenButtonRecord(extensions, record, HKEY_LOCAL_MACHINE, change.keyName);
    };
    std::vector<ValueEdit> edits;
    ShownValues found;
    for (const ElevatedEdit& edit : change.edits) {
        edits.emplace_back(edit.name, edit.value);
        found.Remember(edit.name, edit.found);
    }
    {
        KeyScope keyScope(registry);
        if (!open(registry)) return AppliedChange::Missing;
    }
    // The guarded save's own check, against the values as the window found them.
    SaveOutcome outcome = CheckEdits(registry, open, found, edits, overwrite);
    if (outcome.Saved()) outcome = WriteEdits(registry, open, found, edits);
    switch (outcome.kind) {
    case SaveOutcome::Kind::Saved: return AppliedChange::Done;
    case SaveOutcome::Kind::Failed: throw *outcome.error;
    default: return AppliedChange::Declined;
    }
}

} // namespace qm
