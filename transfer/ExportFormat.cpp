#include "transfer/ExportFormat.h"

#include <algorithm>

namespace qm::transfer {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return text;
}

std::string ValueLabel(const std::string& name) {
    return name.empty() ? std::string("the default value") : "the value \"" + name + "\"";
}

// What in a text would change it on its way through the file, or nullptr when nothing.
const char* LineBreaker(std::string_view text) {
    if (text.find_first_of("\r\n") != std::string_view::npos) return "a line break";
    if (text.find(kEndOfFile) != std::string_view::npos) return "the end-of-file character Ctrl+Z";
    return nullptr;
}

// Refuses a value whose line would read back as something else: a line break would cut it,
// Ctrl+Z would end the file there, and "=" in the name would move the split.
void CheckPortable(const SectionSource& source, const std::string& name,
                   std::string_view written) {
    std::string problem;
    if (const char* breaker = LineBreaker(name)) {
        problem = std::string("the name of a value holds ") + breaker;
    } else if (name.find('=') != std::string::npos) {
        problem = ValueLabel(name) + " has \"=\" in its name";
    } else if (const char* breaker = LineBreaker(written)) {
        problem = ValueLabel(name) + " holds " + breaker;
    } else {
        return;
    }
    std::string button;
    try {
        button = source.buttonText ? source.buttonText() : std::string();
    } catch (const std::exception&) {
        // The text itself is unreadable; the message still names the value.
    }
    throw UnportableValueError("The button \"" + button + "\" cannot be exported: " + problem +
                               ", which an export file cannot carry");
}

} // namespace

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
    size_t separator = path.find_last_of("\\:");
    return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string CompanionNames::Claim(const std::string& part, const std::string& sourcePath) {
    if (part.empty()) return part; // names no file: nothing can be overwritten
    std::string source = Lower(sourcePath);
    auto [it, isNew] = sourceByName_.try_emplace(Lower(part), source);
    if (isNew || it->second == source) return part;

    // Another file already travels under this name: number this one, before its extension.
    size_t dot = part.rfind('.');
    if (dot == 0 || dot == std::string::npos) dot = part.size();
    for (int number = 2;; ++number) {
        std::string candidate =
            part.substr(0, dot) + "_" + std::to_string(number) + part.substr(dot);
        auto [other, free] = sourceByName_.try_emplace(Lower(candidate), source);
        if (free || other->second == source) return candidate;
    }
}

void WriteButtonSection(const ByteSink& sink, const std::string& companionFolder,
                        const SectionSource& source, const FileCopier& copy,
                        CompanionNames& names) {
    std::string line;
    auto writeLine = [&](std::string_view text) {
        line.assign(text);
        line += kLineEnd;
        sink(line);
    };
    writeLine(kSectionStart);
    for (const std::string& name : source.valueNames()) {
        std::string data = source.readString(name);
        if (!IsFileValue(name)) {
            CheckPortable(source, name, data);
            writeLine(name + "=" + data);
            continue;
        }
        std::string part = names.Claim(FileNamePart(data), data);
        CheckPortable(source, name, part);
        writeLine(name + "=" + part);
        // A missing file, a value that is no plain path (an icon index) or any other failed
        // copy leaves the line written and the folder without the file, on purpose.
        copy(data, companionFolder + "\\" + part);
    }
    writeLine(kSectionEnd);
}

ExportReader::ExportReader(std::string companionFolder, ExportEvents& events)
    : companionFolder_(std::move(companionFolder)), events_(events) {}

void ExportReader::Feed(std::string_view bytes) {
    size_t at = 0;
    while (at < bytes.size() && !ended_) {
        if (afterCr_) {
            afterCr_ = false;
            if (bytes[at] == '\n') {
                ++at;
                continue;
            }
        }
        // Take everything up to the next CR or Ctrl+Z in one piece.
        size_t stop = at;
        while (stop < bytes.size() && bytes[stop] != '\r' && bytes[stop] != kEndOfFile) ++stop;
        line_.append(bytes.substr(at, stop - at));
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
    if (!line_.empty()) EmitLine();
    ended_ = true;
}

void ExportReader::EmitLine() {
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
