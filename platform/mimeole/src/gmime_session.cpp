#include "gmime_session.h"

#include <mutex>

#if defined(__SANITIZE_ADDRESS__)
#define MIMEOLE_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MIMEOLE_LEAK_CHECKS 1
#endif
#endif
#ifdef MIMEOLE_LEAK_CHECKS
#include <sanitizer/lsan_interface.h>
#endif

namespace mimeole {

void UseGMime() {
    static std::once_flag once;
    std::call_once(once, [] {
#ifdef MIMEOLE_LEAK_CHECKS
        // GMime's type registry drops an entry it replaces without freeing it (once, a few
        // bytes per type): not a leak worth reporting.
        __lsan_disable();
#endif
        g_mime_init();
        for (const char* subtype : {"rfc822", "news", "global"}) {
            g_mime_object_register_type("message", subtype, GMIME_TYPE_PART);
        }
#ifdef MIMEOLE_LEAK_CHECKS
        __lsan_enable();
#endif
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
