#include "gmime_session.h"

#include <mutex>

namespace mimeole {

void UseGMime() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_mime_init();
        for (const char* subtype : {"rfc822", "news", "global"}) {
            g_mime_object_register_type("message", subtype, GMIME_TYPE_PART);
        }
    });
}

ParserOptions NewParserOptions() {
    UseGMime();
    ParserOptions options(g_mime_parser_options_new());
    g_mime_parser_options_set_address_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_parameter_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    g_mime_parser_options_set_rfc2047_compliance_mode(options.get(), GMIME_RFC_COMPLIANCE_LOOSE);
    const char* fallback[] = {"UTF-8", "windows-1252", nullptr};
    g_mime_parser_options_set_fallback_charsets(options.get(), fallback);
    return options;
}

}  // namespace mimeole
