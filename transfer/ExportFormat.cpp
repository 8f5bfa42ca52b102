#include "transfer/ExportFormat.h"

#include <algorithm>

namespace qm::transfer {
namespace {

std::string ValueLabel(const std::string& name) {
    return name.empty() ? std::string("the default value") : "the value \"" + QuoteCut(name) + "\"";
}

// What in a value's text would change it on its way through the file, or nullptr when
// nothing: a CR ends the line there and Ctrl+Z the file. A lone LF travels as it is.
const char* TextBreaker(std::string_view text) {
    if (text.find('\r') != std::string_view::npos) return "a line break";
    if (text.find(kEndOfFile) != std::string_view::npos) return "the end-of-file character Ctrl+Z";
    return nullptr;
}

// The same for a value's name, which begins its line: an LF there would be taken for the end
// of the previous line's CR LF.
const char* NameBreaker(std::string_view name) {
    if (name.find_first_of("\r\n") != std::string_view::npos) return "a line break";
    return TextBreaker(name);
}

std::string ButtonTextFor(const SectionSource& source) {
    try {
        return source.buttonText ? source.buttonText() : std::string();
    } catch (const std::exception&) {
        return {}; // the text itself is unreadable; the message still names the value
    }
}

[[noreturn]] void Refuse(const SectionSource& source, const std::string& problem) {
    throw UnportableValueError("The button \"" + QuoteCut(ButtonTextFor(source)) +
                               "\" cannot be exported: " + problem);
}

// Refuses a value whose line would read back as something else: a CR would cut it, Ctrl+Z
// would end the file there, and "=" in the name would move the split.
void CheckPortable(const SectionSource& source, const std::string& name, std::string_view written) {
    std::string problem;
    if (const char* breaker = NameBreaker(name)) {
        problem = std::string("the name of a value holds ") + breaker;
    } else if (name.find('=') != std::string::npos) {
        problem = ValueLabel(name) + " has \"=\" in its name";
    } else if (const char* breaker = TextBreaker(written)) {
        problem = ValueLabel(name) + " holds " + breaker;
    } else {
        return;
    }
    Refuse(source, problem + ", which an export file cannot carry");
}

// Refuses a value whose line the import would refuse: the file would carry a button that
// cannot arrive.
void CheckImportable(const SectionSource& source, const std::string& name,
                     std::string_view written) {
    if (name.size() > kMaxValueNameBytes)
        Refuse(source, "the name of " + ValueLabel(name) +
                           " is longer than the registry allows, more than an import takes");
    if (name.size() + 1 + written.size() > kMaxLineBytes)
        Refuse(source, ValueLabel(name) + " is longer than " +
                           std::to_string(kMaxLineBytes / (1024 * 1024)) +
                           " MiB, more than an import takes");
}

} // namespace

std::string AsciiLower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

std::string QuoteCut(std::string_view text) {
    // Characters are counted as UTF-8 has them (the program's code page): a byte 10xxxxxx
    // continues the character before it, so no character is cut in two.
    size_t characters = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
        if (++characters > kQuoteLength) return std::string(text.substr(0, at)) + "...";
    }
    return std::string(text);
}

std::string CompanionFolderFor(const std::string& exportPath) {
    size_t nameStart = exportPath.find_last_of('\\');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    std::string folder = exportPath.substr(0, nameStart);
    std::string base = exportPath.substr(nameStart);
    base = base.substr(0, base.find('.'));
    return folder + base + "_files";
}

bool IsFileValue(std::string_view name) {
    return name == "Script" || name == "Icon" || name == "HotIcon";
}

std::string FileNamePart(std::string_view path) {
    size_t separator = path.find_last_of("\\/:");
    return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string CompanionNames::PlatformName(const std::string& name) const {
    if (!resolve_ || name.empty()) return name;
    std::optional<std::string> full = resolve_(folder_ + "\\" + name);
    std::optional<std::string> base = resolve_(folder_);
    if (!full || !base) return name;
    size_t separator = full->find_last_of('\\');
    if (separator == std::string::npos ||
        AsciiLower(full->substr(0, separator)) != AsciiLower(*base))
        return name; // no name of a file in the folder: the copy will not be made
    return full->substr(separator + 1);
}

std::string CompanionNames::SourceKey(const std::string& path) const {
    if (resolve_)
        if (std::optional<std::string> full = resolve_(path)) return AsciiLower(*full);
    return AsciiLower(path);
}

std::string CompanionNames::Claim(const std::string& given, const std::string& sourcePath) {
    std::string part = PlatformName(given);
    if (part.empty()) return part; // names no file: nothing can be overwritten
    std::string source = SourceKey(sourcePath);
    auto [it, isNew] = sourceByName_.try_emplace(AsciiLower(part), source);
    if (isNew || it->second == source) return part;

    // Another file already travels under this name: number this one, before its extension.
    size_t dot = part.rfind('.');
    if (dot == 0 || dot == std::string::npos) dot = part.size();
    for (int number = 2;; ++number) {
        std::string candidate =
            part.substr(0, dot) + "_" + std::to_string(number) + part.substr(dot);
        auto [other, free] = sourceByName_.try_emplace(AsciiLower(candidate), source);
        if (free || other->second == source) return candidate;
    }
}

std::vector<FileNotTaken> WriteButtonSection(const ByteSink& sink,
                                             const std::string& companionFolder,
                                             const SectionSource& source, const FileCopier& copy,
                                             CompanionNames& names) {
    struct Line {
        std::string name, text; // for a file value, text is the stored path
        bool isFile;
    };
    std::vector<Line> lines;
    for (const std::string& name : source.valueNames()) {
        std::string data;
        try {
            data = source.readString(name);
        } catch (const UnportableValueError& why) {
            Refuse(source, ValueLabel(name) + " " + why.what());
        } catch (const std::exception&) {
            Refuse(source, ValueLabel(name) + " cannot be read as a text");
        }
        bool isFile = IsFileValue(name);
        std::string written = isFile ? FileNamePart(data) : data;
        CheckPortable(source, name, written);
        CheckImportable(source, name, written);
        if (lines.size() == kMaxSectionValues) // a key's value names are all different
            Refuse(source, "it has more than " + std::to_string(kMaxSectionValues) +
                               " values, more than an import takes");
        lines.push_back({name, std::move(data), isFile});
    }

    // Only a button that travels whole claims names in the folder.
    std::string section(kSectionStart);
    section += kLineEnd;
    std::vector<std::pair<std::string, std::string>> copies;
    std::vector<FileNotTaken> notTaken;
    for (Line& line : lines) {
        std::string written = line.text;
        if (line.isFile) {
            FileTravel travel = source.travel
                                    ? source.travel(line.name, line.text)
                                    : FileTravel{FileTravel::Way::Copy, line.text, {}, {}};
            if (travel.way == FileTravel::Way::NotTaken) {
                // The name is claimed all the same: no other file comes back in its place.
                written = names.Claim(FileNamePart(line.text), line.text);
                notTaken.push_back({line.name, line.text, travel.why});
            } else {
                const std::string part = FileNamePart(travel.file);
                const std::string claimed = names.Claim(part, travel.file);
                written = claimed + travel.suffix;
                if (travel.way == FileTravel::Way::Copy || claimed != part)
                    copies.emplace_back(travel.file, companionFolder + "\\" + claimed);
            }
        }
        section += line.name;
        section += '=';
        section += written;
        section += kLineEnd;
    }
    section += kSectionEnd;
    section += kLineEnd;
    sink(section);
    // Without a traveller, a missing file, a value that is no plain path (an icon index) or
    // any other failed copy leaves the line written and the folder without the file.
    for (const auto& [from, to] : copies) copy(from, to);
    return notTaken;
}

ExportReader::ExportReader(std::string companionFolder, ExportEvents& events)
    : companionFolder_(std::move(companionFolder)), events_(events) {}

void ExportReader::Feed(std::string_view bytes) {
    size_t at = 0;
    while (!pastStart_ && at < bytes.size()) {
        if (bytes[at] == kUtf8Mark[markBytes_]) {
            ++at;
            if (++markBytes_ == kUtf8Mark.size()) pastStart_ = true;
            continue;
        }
        // Not a mark after all: what looked like its start belongs to the first line.
        line_.append(kUtf8Mark.substr(0, markBytes_));
        pastStart_ = true;
    }
    while (at < bytes.size() && !ended_) {
        if (afterCr_) {
            afterCr_ = false;
            if (bytes[at] == '\n') {
                ++at;
                continue;
            }
        }
        // Take everything up to the next CR or Ctrl+Z in one piece; a line past the bound
        // keeps none of its bytes.
        size_t stop = at;
        while (stop < bytes.size() && bytes[stop] != '\r' && bytes[stop] != kEndOfFile) ++stop;
        if (!tooLong_ && line_.size() + (stop - at) > kMaxLineBytes) {
            tooLong_ = true;
            std::string().swap(line_);
        }
        if (!tooLong_) line_.append(bytes.substr(at, stop - at));
        if (stop == bytes.size()) break;
        if (bytes[stop] == kEndOfFile) {
            Finish();
            ended_ = true;
            return;
        }
        EmitLine();
        afterCr_ = true;
        at = stop + 1;
    }
}

void ExportReader::Finish() {
    if (ended_) return;
    if (!pastStart_) line_.append(kUtf8Mark.substr(0, markBytes_));
    pastStart_ = true;
    if (!line_.empty() || tooLong_) EmitLine();
    ended_ = true;
}

void ExportReader::EmitLine() {
    if (tooLong_) {
        tooLong_ = false;
        return events_.LineTooLong();
    }
    std::string line;
    line.swap(line_);
    if (line == kSectionStart) return events_.SectionStart();
    if (line == kSectionEnd) return events_.SectionEnd();
    size_t equals = line.find('=');
    std::string name = equals == std::string::npos ? std::string() : line.substr(0, equals);
    std::string text = equals == std::string::npos ? line : line.substr(equals + 1);
    if (IsFileValue(name)) text = companionFolder_ + "\\" + text;
    events_.Value(name, text);
}

void ReadExportBytes(std::string_view bytes, const std::string& companionFolder,
                     ExportEvents& events) {
    ExportReader reader(companionFolder, events);
    reader.Feed(bytes);
    reader.Finish();
}

} // namespace qm::transfer
