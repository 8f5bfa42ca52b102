// The export file's reader and the import plan over any bytes: the file arrives in pieces of
// sizes taken from its first byte, and the plan must keep its bounds (values per button, name
// length, file values inside the companion folder). Every planned button that the writer
// accepts must read back as the same values.
#include "transfer/ImportPlan.h"
#include "tests/transfer/PathStandIn.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace qm::transfer;

const std::string kFolder = "D:\\m\\set_files";

const auto Resolve = qmtest::ResolveLexically;

class Collect : public ExportEvents {
public:
    void SectionStart() override { values.push_back({"<start>", ""}); }
    void SectionEnd() override { values.push_back({"<end>", ""}); }
    void Value(const std::string& name, const std::string& text) override {
        values.push_back({name, text});
    }
    std::vector<PlannedValue> values;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    size_t piece = 1 + data[0] % 97;
    std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

    ImportPlanner planner(kFolder, Resolve);
    ExportReader reader(kFolder, planner);
    for (size_t at = 0; at < bytes.size(); at += piece) reader.Feed(bytes.substr(at, piece));
    reader.Finish();
    ImportPlan plan = planner.TakePlan();

    for (const PlannedButton& button : plan.buttons) {
        if (button.values.size() > kMaxSectionValues) std::abort();
        for (const PlannedValue& value : button.values) {
            if (value.name.size() > kMaxValueNameBytes) std::abort();
            if (IsFileValue(value.name) &&
                !(value.text == kFolder + "\\" || LiesDirectlyIn(value.text, kFolder, Resolve)))
                std::abort();
        }

        // Written back (file values as they would travel), the button reads as the same values.
        SectionSource source;
        source.valueNames = [&] {
            std::vector<std::string> names;
            for (const PlannedValue& value : button.values) names.push_back(value.name);
            return names;
        };
        source.readString = [&](const std::string& name) {
            for (const PlannedValue& value : button.values)
                if (value.name == name) return value.text;
            return std::string();
        };
        source.buttonText = [] { return std::string("fuzz"); };
        std::string written;
        CompanionNames names;
        try {
            WriteButtonSection([&](std::string_view b) { written.append(b); }, kFolder, source,
                               [](const std::string&, const std::string&) {}, names);
        } catch (const UnportableValueError&) {
            continue;
        }
        Collect read;
        ReadExportBytes(written, kFolder, read);
        if (read.values.size() != button.values.size() + 2) std::abort();
        for (size_t i = 0; i < button.values.size(); ++i) {
            const PlannedValue& value = button.values[i];
            if (read.values[i + 1].name != value.name) std::abort();
            if (!IsFileValue(value.name) && read.values[i + 1].text != value.text) std::abort();
        }
    }
    return 0;
}
