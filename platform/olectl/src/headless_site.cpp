#include <olectl/headless_site.h>

namespace olectl {

Metafile HeadlessSite::Paint() {
    Metafile metafile;
    DrawControl(metafile);
    return metafile;
}

}  // namespace olectl
