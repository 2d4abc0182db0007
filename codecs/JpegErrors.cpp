#include "codecs/JpegErrors.h"

#include <jerror.h>

namespace {

extern "C" void JumpOnError(j_common_ptr cinfo)
{
    auto* manager = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
    std::longjmp(manager->Jump, 1);
}

extern "C" void FailOnWarning(j_common_ptr cinfo, int level)
{
    // Level -1 is a warning about the data; higher levels are trace output.
    if (level >= 0) return;
    const auto* manager = reinterpret_cast<const TJpegErrorManager*>(cinfo->err);
    if (manager->RowsComplete) return;
    switch (cinfo->err->msg_code) {
    case JWRN_JFIF_MAJOR:      // a newer JFIF revision reads fine
    case JWRN_EXTRANEOUS_DATA: // stray bytes before a marker are skipped, no data is lost
        return;
    default: JumpOnError(cinfo);
    }
}

extern "C" void PrintNothing(j_common_ptr) {}

} // namespace

jpeg_error_mgr* InstallJpegErrorManager(TJpegErrorManager& manager)
{
    manager.RowsComplete = false;
    jpeg_error_mgr* base = jpeg_std_error(&manager.Base);
    base->error_exit = JumpOnError;
    base->emit_message = FailOnWarning;
    base->output_message = PrintNothing;
    return base;
}
