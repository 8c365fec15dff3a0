// The server line addresses the program is built for. They come from the build (CMake's
// ZV_LINE0_URL ... ZV_LINE3_URL) as definitions of this one file, so that the same program can
// also be linked for other addresses, as the network tests do.
#include "startup/appstate.h"

#if !defined(ZV_LINE0_URL) || !defined(ZV_LINE1_URL) || !defined(ZV_LINE2_URL) ||                  \
    !defined(ZV_LINE3_URL)
#error "build this file with the line addresses defined"
#endif

namespace mod_Main
{

void fillServerLines()
{
    ServerLines = {QStringLiteral(ZV_LINE0_URL), QStringLiteral(ZV_LINE1_URL),
                   QStringLiteral(ZV_LINE2_URL), QStringLiteral(ZV_LINE3_URL)};
}

} // namespace mod_Main
