// libFuzzer target: arbitrary bytes as an INI file. The reader must neither crash nor hang, and
// what it returns must keep to its own limits.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "IniSettings.h"
#include "IniText.h"

namespace {

std::size_t Utf8Chars(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

const std::string& FilePath() {
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp != nullptr ? tmp : "/tmp") + "/rm-fuzz-ini-" +
               std::to_string(getpid()) + ".ini";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Section and key names taken from the input itself, so that matching paths are reached.
    const std::string text = rm::ini::DecodeFileBytes(bytes);
    std::string section = "Connect";
    std::string key = "Server";
    const std::size_t open = text.find('[');
    const std::size_t close = text.find(']', open == std::string::npos ? 0 : open);
    if (open != std::string::npos && close != std::string::npos) {
        section = std::string(
            rm::ini::TrimBlanks(std::string_view(text).substr(open + 1, close - open - 1)));
        const std::size_t eq = text.find('=', close);
        const std::size_t lineStart = text.find_last_of("\r\n", eq);
        if (eq != std::string::npos && lineStart != std::string::npos && lineStart > close) {
            key = std::string(rm::ini::TrimBlanks(
                std::string_view(text).substr(lineStart + 1, eq - lineStart - 1)));
        }
    }

    if (auto value = rm::ini::FindValue(text, section, key)) {
        Check(Utf8Chars(*value) <= rm::ini::kMaxValueChars &&
                  value->size() <= 4 * rm::ini::kMaxValueChars,
              "value longer than the limit");
        Check(text.find(*value) != std::string::npos, "value not taken from the file");
        std::int32_t i = 0;
        rm::ini::ParseInt32(*value, i);
        double d = 0;
        rm::ini::ParseNumber(*value, ",", d);
        rm::ini::ParseNumber(*value, ".", d);
    }
    Check(rm::ini::SameName(section, section), "a name differs from itself");

    // The same bytes through the reader and a real file.
    if (FILE* f = std::fopen(FilePath().c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
        rm::TIniSettingsLoad reader(FilePath());
        const std::string s = reader.GetValue(section, key, "default  ");
        Check(Utf8Chars(s) <= rm::ini::kMaxValueChars && s.size() <= 4 * rm::ini::kMaxValueChars,
              "reader value longer than the limit");
        reader.GetValue(section, key, std::int32_t{7});
        reader.GetValue(section, key, true);
        reader.GetValue(section, key, 1.0);
        reader.GetValue("Connect", "Database", "");
        Check(reader.Error().empty(), "a readable file reported an error");
    }
    return 0;
}
