// Fuzz target: reading colour texts. Any input either converts or raises the
// conversion error naming the text; a converted value written back by
// ColorToText reads back to the same value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/ColorNames.h"
#include "framework/Errors.h"

namespace {

[[noreturn]] void Fail() { std::abort(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    fw::Color value = 0;
    try {
        value = common::TextToColor(text);
    } catch (const fw::ConvertError& e) {
        const std::string& m = e.Message();
        // The message starts with the text in quotes (a long text by its start).
        const std::string quoted = fw::MessageArgument(text);
        if (m.size() < quoted.size() + 2 || m[0] != '\'' || m.compare(1, quoted.size(), quoted) != 0 ||
            m[quoted.size() + 1] != '\'')
            Fail();
        return 0;
    }
    const std::string written = common::ColorToText(value);
    if (written.empty()) Fail();
    fw::Color again = 0;
    try {
        again = common::TextToColor(written);
    } catch (const fw::ConvertError&) {
        Fail();
    }
    if (again != value) Fail();
    // Written texts are identifiers or "$" and eight hexadecimal digits.
    if (written[0] == '$' && written.size() != 9) Fail();
    return 0;
}
