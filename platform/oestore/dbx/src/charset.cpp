#include "charset.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "ascii_text.h"

namespace dbx {

namespace {

// Runs iconv over `bytes`. With `replace`, an undecodable or unrepresentable character (a whole
// UTF-8 sequence) becomes '?'; without, it ends the conversion with nothing.
std::optional<std::string> Run(const std::string& bytes, const std::string& from,
                               const std::string& to, bool replace) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out;
    char* in = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    char buffer[256];
    bool failed = false;
    while (in_left > 0 && !failed) {
        char* out_ptr = buffer;
        size_t out_left = sizeof buffer;
        size_t rc = iconv(cd, &in, &in_left, &out_ptr, &out_left);
        out.append(buffer, static_cast<size_t>(out_ptr - buffer));
        if (rc != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        if (!replace || (errno != EILSEQ && errno != EINVAL)) {
            failed = true;
            continue;
        }
        out.push_back('?');
        size_t skip = 1;
        unsigned char lead = static_cast<unsigned char>(*in);
        if (EqualsIgnoreCase(from, "UTF-8") && lead >= 0xC0)
            skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        skip = std::min(skip, in_left);
        in += skip;
        in_left -= skip;
    }
    iconv_close(cd);
    if (failed)
        return std::nullopt;
    return out;
}

}  // namespace

std::string ConvertText(const std::string& bytes, std::string from, const std::string& to) {
    if (size_t star = from.find('*'); star != std::string::npos)
        from.resize(star);  // RFC 2231 language
    if (EqualsIgnoreCase(from, to))
        return bytes;
    return Run(bytes, from, to, true).value_or(bytes);
}

std::optional<std::string> ConvertTextExactly(const std::string& bytes, const std::string& from,
                                              const std::string& to) {
    return Run(bytes, from, to, false);
}

}  // namespace dbx
